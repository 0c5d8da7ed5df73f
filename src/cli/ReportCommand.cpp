// kv3conv report: converts legacy report files (.kvf), listed or found in folders, into new XML
// report documents (.kv3) written beside them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string_view>

#include "app/RunSummary.h"
#include "base/CodePage.h"
#include "base/Files.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "legacy/Report.h"
#include "platform/Console.h"
#include "platform/Process.h"
#include "writer/Conversion.h"
#include "writer/PagePicture.h"
#include "writer/PageSvg.h"
#include "writer/ReportHost.h"
#include "writer/ReportPool.h"

namespace kv::cli {

namespace {

struct TReportLine {
  std::string Path;
  TConversionOutcome Outcome;
};

// How many files of a run ended in each way.
struct TReportTotals {
  std::size_t Done = 0, Warnings = 0, Failed = 0;
  std::int64_t Microseconds = 0;
  std::size_t Written() const { return Done + Warnings; }
  void Add(const TConversionOutcome& o) {
    Microseconds += o.Microseconds;
    switch (o.Status) {
      case TConversionStatus::Done:
        ++Done;
        break;
      case TConversionStatus::Warnings:
        ++Warnings;
        break;
      case TConversionStatus::Failed:
        ++Failed;
        break;
    }
  }
};

void PrintJson(const std::vector<TReportLine>& lines, const TReportTotals& totals, int codePage) {
  std::string out = "{\n  \"reports\": [";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TReportLine& l = lines[i];
    const TConversionOutcome& o = l.Outcome;
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(l.Path) + ", \"output\": " + JsonString(o.OutputPath) +
           ", \"status\": \"" + StatusWord(o.Status) +
           "\", \"written\": " + (o.Written() ? "true" : "false") +
           ", \"microseconds\": " + std::to_string(o.Microseconds) +
           ", \"messageCount\": " + std::to_string(o.Messages.size()) +
           ", \"messages\": " + JsonCodePageTexts(o.Messages, codePage) +
           ", \"notes\": " + JsonCodePageTexts(o.Notes, codePage) +
           ", \"problem\": " + (o.Problem.empty() ? "null" : JsonString(o.Problem)) + "}";
  }
  out += lines.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"reports\": " + std::to_string(lines.size()) +
         ", \"written\": " + std::to_string(totals.Written()) +
         ", \"done\": " + std::to_string(totals.Done) +
         ", \"warnings\": " + std::to_string(totals.Warnings) +
         ", \"failed\": " + std::to_string(totals.Failed) +
         ", \"microseconds\": " + std::to_string(totals.Microseconds) + "}\n}\n";
  std::fputs(out.c_str(), stdout);
}

// True when the lines of each file are to be written as soon as the file is done: when a person
// watches (a terminal), or when both standard streams go to one file or pipe, where a file's
// messages belong before its line. Otherwise both streams are written in large blocks, which
// saves several writes per report on runs over many small reports.
bool FlushEachFile() {
  return os::IsTerminal(os::TStandardStream::Output) ||
         os::IsTerminal(os::TStandardStream::Error) || os::OutputAndErrorShareAFile();
}

// The pictures of the pages of the report a host just loaded, as SVG written from their display
// lists (small, cheap, and the same in a build without Qt); none when the report was not read.
std::vector<TSummaryPicture> LoadedReportPictures(TReportHost& host,
                                                  const TConversionOutcome& outcome) {
  std::vector<TSummaryPicture> pages;
  if (!outcome.Written()) return pages;
  for (const TPagePicture& picture : BuildPagePictures(host.Report(), &outcome)) {
    pages.push_back({"image/svg+xml", PagePictureSvg(picture)});
  }
  return pages;
}

// The time of the run for the summary's heading, in the user's time zone.
std::string RunTime() {
  const std::tm t = os::LocalTime(std::time(nullptr));
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min);
  return text;
}

}  // namespace

int RunReport(const TReportArgs& args) {
  std::optional<std::string> password;
  if (!ReadPasswordOption(args.Password, args.PasswordFile, password)) return ExitUsage;

  // The file list: files as given, folders scanned for report files down to their direct
  // subfolders, or to every level with --recursive.
  bool failedScan = false;
  const std::vector<std::string> files =
      CollectFiles(args.Paths, {"*.kvf"}, {args.Recursive ? 0 : 1}, failedScan);

  const bool flushEachFile = FlushEachFile();
  if (!flushEachFile) std::setvbuf(stderr, nullptr, _IOFBF, 1 << 16);
  // Even so, what is done shows in the output every so many files.
  constexpr std::size_t FlushEvery = 256;
  // Documents are written beside their reports, where killed runs may have left temporary files.
  TStaleTemporaries staleTemporaries(files);
  std::vector<TReportLine> lines;
  lines.reserve(files.size());
  TReportTotals totals;
  // Reports are converted on a pool of threads, each with a context of its own. What the library
  // says of a report is kept with it and printed when its turn comes, so that the output reads as
  // a run in list order does.
  std::vector<std::string> printed(files.size());
  // The summary's pictures, drawn on the converting threads while each report is loaded.
  const bool summary = !args.Summary.empty();
  std::vector<std::vector<TSummaryPicture>> pictures(summary ? files.size() : 0);
  TReportPoolOptions pool;
  pool.Threads = args.Jobs;
  pool.CodePage = args.CodePage;
  pool.DecimalSeparator = args.DecimalSeparator;
  {
    TProgressLine progress(files.size());
    if (!files.empty()) progress.Show(0, files[0]);
    ConvertReportsInOrder(
        files.size(), pool,
        [&](TReportHost& host, std::size_t i) {
          TCliReportPrompter prompter(files[i], password, args.CodePage, nullptr, &printed[i]);
          TConversionOutcome outcome =
              ConvertReportFile(host, files[i], prompter, TConversionErrors::Record);
          if (summary) pictures[i] = LoadedReportPictures(host, outcome);
          return outcome;
        },
        [&](std::size_t i, TConversionOutcome& outcome) {
          TReportLine line;
          line.Path = files[i];
          line.Outcome = std::move(outcome);
          const TConversionOutcome& o = line.Outcome;
          totals.Add(o);
          if (!printed[i].empty() || o.Status == TConversionStatus::Failed || !o.Notes.empty()) {
            progress.Clear();
          }
          std::fwrite(printed[i].data(), 1, printed[i].size(), stderr);
          std::string().swap(printed[i]);
          const std::string shownPath = Printable(files[i]);
          if (o.Status == TConversionStatus::Failed) {
            std::fprintf(stderr, "kv3conv: %s: %s; no document was written\n", shownPath.c_str(),
                         Printable(CodePageToUtf8(o.Problem, args.CodePage)).c_str());
          }
          for (const std::string& note : o.Notes) {
            std::fprintf(stderr, "kv3conv: %s: %s\n", shownPath.c_str(),
                         Printable(CodePageToUtf8(note, args.CodePage)).c_str());
          }
          if (!args.Json) {
            progress.Clear();
            std::printf("%-8s %12lld %4zu  %s\n", StatusWord(o.Status),
                        static_cast<long long>(o.Microseconds), o.Messages.size() + o.Notes.size(),
                        o.Written() ? Printable(o.OutputPath).c_str() : shownPath.c_str());
          }
          if (flushEachFile || (i + 1) % FlushEvery == 0) {
            std::fflush(stderr);
            std::fflush(stdout);
          }
          lines.push_back(std::move(line));
          // Once nobody reads what the run prints (a closed pipe, a full disk), it stops; the
          // documents written stay.
          if (OutputLost()) return false;
          if (i + 1 < files.size()) progress.Show(i + 1, files[i + 1]);
          return true;
        });
  }
  staleTemporaries.Join();

  if (args.Json) {
    PrintJson(lines, totals, args.CodePage);
  } else {
    std::printf(
        "Total: %zu reports, %zu written, %zu with warnings, %zu failed, %lld microseconds "
        "(%.2f secs)\n",
        lines.size(), totals.Written(), totals.Warnings, totals.Failed,
        static_cast<long long>(totals.Microseconds),
        static_cast<double>(totals.Microseconds) / 1000000.0);
  }
  bool summaryFailed = false;
  if (summary) {
    std::vector<TSummaryReport> reports;
    reports.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      reports.push_back({lines[i].Path, std::move(lines[i].Outcome), std::move(pictures[i])});
    }
    TSummaryOptions options;
    options.CodePage = args.CodePage;
    options.When = RunTime();
    try {
      WriteFileSafely(args.Summary, RunSummaryHtml(reports, options), TDiskSync::WhenReplacing);
      std::fprintf(stderr, "kv3conv: summary written to %s\n", Printable(args.Summary).c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kv3conv: the summary could not be written: %s\n",
                   Printable(e.what()).c_str());
      summaryFailed = true;
    }
  }
  // Every file that did not end plainly Done (no document, or one with messages or notes) makes
  // the exit code 1, so scripts notice what a conversion left out.
  const bool problems = totals.Warnings > 0 || totals.Failed > 0;
  return problems || failedScan || summaryFailed ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
