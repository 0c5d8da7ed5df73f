// kv3conv report: converts legacy report files (.kvf), listed or found in folders, into new XML
// report documents (.kv3) written beside them.

#include <cstdio>
#include <exception>

#include "app/ReportHost.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "legacy/CodePage.h"
#include "writer/Conversion.h"

namespace kv::cli {

namespace {

struct TReportLine {
  std::string Path;
  TConversionOutcome Outcome;
  int Messages = 0;  // library messages and the password notice shown for the file
};

// Done: a document was written; Skipped: nothing could be read from the file, so no document;
// Failed: the file is missing or the conversion ended with an error.
const char* Status(const TConversionOutcome& outcome) {
  if (outcome.Written) return "Done";
  if (outcome.Problem == "no report could be read from the file") return "Skipped";
  return "Failed";
}

std::string JsonTexts(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    out += (i ? ", " : "") + JsonString(CodePageToUtf8(texts[i]));
  }
  return out + "]";
}

void PrintJson(const std::vector<TReportLine>& lines, std::size_t written, std::size_t problems,
               std::int64_t microseconds) {
  std::string out = "{\n  \"reports\": [";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TReportLine& l = lines[i];
    const TConversionOutcome& o = l.Outcome;
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(l.Path) + ", \"output\": " + JsonString(o.OutputPath) +
           ", \"status\": \"" + Status(o) + "\", \"written\": " + (o.Written ? "true" : "false") +
           ", \"microseconds\": " + std::to_string(o.Microseconds) +
           ", \"messageCount\": " + std::to_string(l.Messages) +
           ", \"messages\": " + JsonTexts(o.Messages) + ", \"notes\": " + JsonTexts(o.Notes) +
           ", \"problem\": " + (o.Problem.empty() ? "null" : JsonString(o.Problem)) + "}";
  }
  out += lines.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"reports\": " + std::to_string(lines.size()) +
         ", \"written\": " + std::to_string(written) +
         ", \"problems\": " + std::to_string(problems) +
         ", \"microseconds\": " + std::to_string(microseconds) + "}\n}\n";
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
      CollectFiles(args.Paths, "*.kvf", args.Recursive ? 0 : 1, failedScan);

  // One report host for the whole run: every file is loaded into the same kvReport1, as in the
  // workbench, and each load replaces what the previous one left.
  TReportHost host;
  std::vector<TReportLine> lines;
  lines.reserve(files.size());
  std::size_t written = 0;
  std::size_t problems = 0;
  std::int64_t totalMicroseconds = 0;
  {
    TProgressLine progress(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      progress.Show(i, files[i]);
      TReportLine line;
      line.Path = files[i];
      TCliReportPrompter prompter(files[i], password);
      progress.Clear();
      line.Outcome = ConvertReportFile(host, files[i], prompter, TConversionErrors::Record);
      line.Messages = prompter.Messages;
      const TConversionOutcome& o = line.Outcome;
      totalMicroseconds += o.Microseconds;
      if (o.Written) ++written;
      if (!o.Problem.empty()) {
        std::fprintf(stderr, "kv3conv: %s: %s%s\n", files[i].c_str(), o.Problem.c_str(),
                     o.Written ? "" : "; no document was written");
      }
      if (!o.Written || line.Messages > 0) ++problems;
      if (!args.Json) {
        std::printf("%-7s %12lld %4d  %s\n", Status(o), static_cast<long long>(o.Microseconds),
                    line.Messages, (o.Written ? o.OutputPath : files[i]).c_str());
        std::fflush(stdout);
      }
      lines.push_back(std::move(line));
    }
  }

  if (args.Json) {
    PrintJson(lines, written, problems, totalMicroseconds);
  } else {
    std::printf(
        "Total: %zu reports, %zu written, %zu with problems, %lld microseconds (%.2f secs)\n",
        lines.size(), written, problems, static_cast<long long>(totalMicroseconds),
        static_cast<double>(totalMicroseconds) / 1000000.0);
  }
  return problems > 0 || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
