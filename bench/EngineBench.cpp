// Micro-benchmarks of the replacement passes: the engine on a whole file against the plain
// line-by-line passes, on the same Pascal-like text and a 300-pair table.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "base/TextLines.h"
#include "migrate/ReplaceEngine.h"

namespace {

using kv::TPair;

std::vector<TPair> Table() {
  std::vector<TPair> pairs;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "kvName" + std::to_string(i * 7919 % 1000);
    pairs.push_back({"T" + name, "Tx" + name});
  }
  pairs.push_back({"TkvReport", "TkvxReport"});
  return pairs;
}

// About 20 KB of unit text naming a few of the table's classes.
std::string UnitText() {
  std::mt19937 rng(7);
  std::string text =
      "unit Unit1;\r\n\r\ninterface\r\n\r\nuses\r\n  SysUtils, Classes, kvClass;\r\n";
  while (text.size() < 20000) {
    switch (rng() % 4) {
      case 0:
        text += "    kvReport1: TkvReport;\r\n";
        break;
      case 1:
        text +=
            "  Memo := TkvName" + std::to_string(rng() % 40 * 7919 % 1000) + ".Create(nil);\r\n";
        break;
      case 2:
        text += "  { A comment about the layout of the page and the data }\r\n";
        break;
      default:
        text += "  if Assigned(Page) and (Page.Objects.Count > 0) then Inc(Count);\r\n";
        break;
    }
  }
  return text;
}

void BM_Engine(benchmark::State& state) {
  kv::TSourceConverter converter(Table());
  const std::string text = UnitText();
  for (auto _ : state) {
    std::string work = text;
    benchmark::DoNotOptimize(converter.ApplyPairs(work));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Engine);

void BM_LineByLine(benchmark::State& state) {
  const std::vector<TPair> pairs = Table();
  const std::string text = UnitText();
  for (auto _ : state) {
    std::vector<std::string> lines = kv::SplitLines(text);
    std::int32_t count = 0;
    for (const auto& pair : pairs)
      count += kv::ReplacePair(lines, kv::AsciiUpper(pair.Find), pair.Replace);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LineByLine);

}  // namespace
