// Reports converted on a pool of threads, each with a conversion context of its own: the same
// documents and outcomes as a run on one thread, handed on in list order, a run that stops or
// fails ending cleanly. Run under ThreadSanitizer (make test-tsan), the many-threads test is also
// the check that no two conversions share any state.
#include "writer/ReportPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Files.h"
#include "legacy/Context.h"
#include "support/RecordingReportPrompter.h"
#include "support/TempDir.h"
#include "writer/Conversion.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

// Every legacy report the project holds: the example reports (the reports of every file version
// and both sets of older files among them) and the report fuzzer's seeds, copied into folder.
std::vector<std::string> CopyAllReports(const std::string& folder) {
  std::vector<fs::path> sources;
  for (const char* root : {KV_EXAMPLES_DIR "/reports", KV_FUZZ_SEEDS_DIR "/report"}) {
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) sources.push_back(entry.path());
    }
  }
  std::sort(sources.begin(), sources.end());
  std::vector<std::string> copies;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string copy = folder + "/" + std::to_string(i) + "-" + sources[i].filename().string();
    fs::copy_file(sources[i], copy);
    copies.push_back(copy);
  }
  return copies;
}

// What one conversion gave, and its document without the two dates a report without a trailer
// takes from the clock.
struct TConverted {
  TConversionOutcome Outcome;
  std::string Document;
};

std::string WithoutClockDates(std::string document) {
  static const std::regex dates(R"( ReportOptions\.(CreateDate|LastChange)="[^"]*")");
  return std::regex_replace(document, dates, "");
}

std::vector<TConverted> ConvertAll(const std::vector<std::string>& files, unsigned threads,
                                   std::size_t repeats = 1) {
  const std::size_t count = files.size() * repeats;
  std::vector<TConverted> results;
  TReportPoolOptions options;
  options.Threads = threads;
  ConvertReportsInOrder(
      count, options,
      [&](TReportHost& host, std::size_t i) {
        test::TRecordingPrompter prompter;
        prompter.Password = "kolvex";
        return ConvertReportFile(host, files[i % files.size()], prompter,
                                 TConversionErrors::Record);
      },
      [&](std::size_t i, TConversionOutcome& outcome) {
        EXPECT_EQ(i, results.size()) << "handed on out of order";
        TConverted converted{outcome, {}};
        if (outcome.Written()) converted.Document = WithoutClockDates(ReadFileBytes(outcome.OutputPath));
        results.push_back(std::move(converted));
        return true;
      });
  return results;
}

void ExpectSame(const TConverted& a, const TConverted& b, const std::string& file) {
  EXPECT_EQ(a.Outcome.Status, b.Outcome.Status) << file;
  EXPECT_EQ(a.Outcome.Messages, b.Outcome.Messages) << file;
  EXPECT_EQ(a.Outcome.Notes, b.Outcome.Notes) << file;
  EXPECT_EQ(a.Outcome.Problem, b.Outcome.Problem) << file;
  EXPECT_EQ(a.Document, b.Document) << file;
}

TEST(ReportPool, ThreadsWriteTheSameDocumentsAsOneThread) {
  TTempDir one, many;
  const std::vector<std::string> alone = CopyAllReports(one.Path());
  const std::vector<std::string> side = CopyAllReports(many.Path());
  const std::vector<TConverted> a = ConvertAll(alone, 1);
  const std::vector<TConverted> b = ConvertAll(side, 4);
  ASSERT_EQ(a.size(), alone.size());
  ASSERT_EQ(b.size(), side.size());
  std::size_t written = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    ExpectSame(a[i], b[i], alone[i]);
    written += a[i].Outcome.Written();
  }
  EXPECT_GE(written, 20u) << "the sample reports should mostly convert";
}

// Many conversions at once, every file several times on eight threads: each repeat gives what the
// first gave, whichever thread and context converted it and whatever ran beside it.
TEST(ReportPool, ManyConversionsAtOnceShareNothing) {
  TTempDir dir;
  const std::vector<std::string> files = CopyAllReports(dir.Path());
  constexpr std::size_t Repeats = 4;
  const std::vector<TConverted> results = ConvertAll(files, 8, Repeats);
  ASSERT_EQ(results.size(), files.size() * Repeats);
  for (std::size_t i = files.size(); i < results.size(); ++i) {
    ExpectSame(results[i % files.size()], results[i], files[i % files.size()]);
  }
}

// A stop starts no report after it; an error of one report reaches the caller in its turn, after
// the reports before it were handed on.
TEST(ReportPool, StopsAndErrorsEndTheRunInListOrder) {
  for (const unsigned threads : {1u, 3u}) {
    SCOPED_TRACE(threads);
    std::vector<std::size_t> handed;
    std::atomic<int> started{0};
    ConvertReportsInOrder(
        40, {threads},
        [&](TReportHost&, std::size_t) {
          ++started;
          return TConversionOutcome{};
        },
        [&](std::size_t i, TConversionOutcome&) {
          handed.push_back(i);
          return i < 5;
        });
    // No report is started after the stop; those other threads had in hand are still handed on.
    ASSERT_GE(handed.size(), 6u);
    for (std::size_t i = 0; i < handed.size(); ++i) EXPECT_EQ(handed[i], i);
    EXPECT_EQ(handed.size(), static_cast<std::size_t>(started.load()));
    EXPECT_LE(started.load(), 6 + 4 * static_cast<int>(threads));

    handed.clear();
    EXPECT_THROW(ConvertReportsInOrder(
                     20, {threads},
                     [&](TReportHost& host, std::size_t i) {
                       if (i == 7) throw std::runtime_error("report 7 failed");
                       // Every thread converts in a context of its own.
                       EXPECT_EQ(host.Context().Application.FindForm("frmMain"), &host);
                       return TConversionOutcome{};
                     },
                     [&](std::size_t i, TConversionOutcome&) {
                       handed.push_back(i);
                       return true;
                     }),
                 std::runtime_error);
    EXPECT_EQ(handed, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
  }
}

}  // namespace
}  // namespace kv
