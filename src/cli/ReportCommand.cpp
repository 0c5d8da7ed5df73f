// kv3conv report: converts legacy report files (.kvf), listed or found in folders, into new XML
// report documents (.kv3) written beside them.

#include <cstdio>
#include <exception>

#include "base/CodePage.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "writer/Conversion.h"
#include "writer/ReportHost.h"

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

void PrintJson(const std::vector<TReportLine>& lines, const TReportTotals& totals) {
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
           ", \"messages\": " + JsonCodePageTexts(o.Messages) +
           ", \"notes\": " + JsonCodePageTexts(o.Notes) +
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

}  // namespace

int RunReport(const TReportArgs& args) {
  std::optional<std::string> password;
  if (!ReadPasswordOption(args.Password, args.PasswordFile, password)) return ExitUsage;

  // The file list: files as given, folders scanned for report files down to their direct
  // subfolders, or to every level with --recursive.
  bool failedScan = false;
  const std::vector<std::string> files =
      CollectFiles(args.Paths, {"*.kvf"}, args.Recursive ? 0 : 1, failedScan);

  // One report host for the whole run: every file is loaded into the same kvReport1, as in the
  // workbench, and each load replaces what the previous one left.
  TReportHost host;
  std::vector<TReportLine> lines;
  lines.reserve(files.size());
  TReportTotals totals;
  {
    TProgressLine progress(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      progress.Show(i, files[i]);
      TReportLine line;
      line.Path = files[i];
      // The prompter clears the progress line before it prints one of the library's messages.
      TCliReportPrompter prompter(files[i], password, &progress);
      line.Outcome = ConvertReportFile(host, files[i], prompter, TConversionErrors::Record);
      const TConversionOutcome& o = line.Outcome;
      totals.Add(o);
      if (o.Status == TConversionStatus::Failed || !o.Notes.empty()) progress.Clear();
      if (o.Status == TConversionStatus::Failed) {
        std::fprintf(stderr, "kv3conv: %s: %s; no document was written\n",
                     Printable(files[i]).c_str(), Printable(CodePageToUtf8(o.Problem)).c_str());
      }
      for (const std::string& note : o.Notes) {
        std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(files[i]).c_str(),
                     Printable(CodePageToUtf8(note)).c_str());
      }
      if (!args.Json) {
        progress.Clear();
        std::printf("%-8s %12lld %4zu  %s\n", StatusWord(o.Status),
                    static_cast<long long>(o.Microseconds), o.Messages.size() + o.Notes.size(),
                    Printable(o.Written() ? o.OutputPath : files[i]).c_str());
        std::fflush(stdout);
      }
      lines.push_back(std::move(line));
    }
  }

  if (args.Json) {
    PrintJson(lines, totals);
  } else {
    std::printf(
        "Total: %zu reports, %zu written, %zu with warnings, %zu failed, %lld microseconds "
        "(%.2f secs)\n",
        lines.size(), totals.Written(), totals.Warnings, totals.Failed,
        static_cast<long long>(totals.Microseconds),
        static_cast<double>(totals.Microseconds) / 1000000.0);
  }
  // Every file that did not end plainly Done (no document, or one with messages or notes) makes
  // the exit code 1, so scripts notice what a conversion left out.
  const bool problems = totals.Warnings > 0 || totals.Failed > 0;
  return problems || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
