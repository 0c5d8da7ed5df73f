// Micro-benchmarks of the line diff behind source --diff, on 100,000-line texts: every line
// changed, every tenth line changed, and lines drawn from four texts (the costly case for the
// search, where its work budget bounds the time).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "migrate/LineDiff.h"

namespace {

constexpr int Lines = 100000;

struct TTexts {
  std::string Old, New;
};

TTexts Make(int kind) {
  std::mt19937 random(7);
  TTexts t;
  for (int i = 0; i < Lines; ++i) {
    const std::string line = "line " + std::to_string(i);
    switch (kind) {
      case 0:
        t.Old += line + "\n";
        t.New += "new " + std::to_string(i) + "\n";
        break;
      case 1:
        t.Old += line + "\n";
        t.New += (i % 10 == 3 ? "changed " + std::to_string(i) : line) + "\n";
        break;
      default:
        t.Old += std::to_string(random() % 4) + "\n";
        t.New += std::to_string(random() % 4) + "\n";
        break;
    }
  }
  return t;
}

void BM_LineDiff(benchmark::State& state) {
  const TTexts t = Make(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kv::DiffTexts(t.Old, t.New));
  state.SetLabel(state.range(0) == 0   ? "every line changed"
                 : state.range(0) == 1 ? "every tenth line changed"
                                       : "lines from four texts");
}
BENCHMARK(BM_LineDiff)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
