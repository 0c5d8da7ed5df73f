// kv3conv source: the source migration of listed files and folders with one conversion table.

#include <atomic>
#include <cstdio>
#include <exception>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "base/CodePage.h"
#include "base/Errors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "migrate/ConversionTable.h"
#include "migrate/Journal.h"
#include "migrate/LineDiff.h"
#include "migrate/ReplaceEngine.h"
#include "platform/Console.h"
#include "platform/Path.h"
#include "platform/Process.h"

namespace kv::cli {

namespace {

struct TFileLine {
  std::string Path;
  std::int64_t Replacements = 0;
  std::int64_t Microseconds = 0;
  bool Failed = false;
  std::string Error;
  bool HasDiff = false;  // --diff --json: Diff holds the file's unified diff
  std::string Diff;
};

// The name of a file in a diff header: "a/" or "b/" before its path, its unprintable bytes
// escaped so that the header stays one line.
std::string DiffName(const char* side, const std::string& path) {
  std::string name = side;
  if (path.empty() || !os::IsSeparator(path[0])) name += '/';
  return name + Printable(path);
}

// The unified diff of one file that a run would change.
std::string FileDiff(const std::string& path, const kv::TFileResult& done,
                     const kv::TDiffStyle& style) {
  const kv::TTextDiff diff = kv::DiffTexts(done.OldText, done.NewText);
  std::vector<std::string> notes;
  if (done.BinaryForm) {
    notes.push_back(
        "Binary form: it is written as its text form; the lines shown are those of "
        "its text form");
  }
  if (diff.Empty()) {
    notes.push_back("The text stays the same: the file is written again as it is");
  } else if (std::string note = kv::LineEndNote(diff); !note.empty()) {
    notes.push_back(std::move(note));
  }
  std::string out;
  kv::AppendUnifiedDiff(out, DiffName("a", path), DiffName("b", path), diff, notes, style);
  return out;
}

// Whether the diff is coloured: --color=always, or auto with standard output a terminal and
// NO_COLOR not set (or empty).
bool ColourDiff(const std::string& color) {
  if (color == "always") return true;
  if (color == "never") return false;
  const std::optional<std::string> noColor = os::Environment("NO_COLOR");
  return os::IsTerminal(os::TStandardStream::Output) && (!noColor || noColor->empty());
}

// What asked the run to stop (the signal's number: SIGINT, SIGTERM, SIGHUP), 0 while nothing did.
std::atomic<int> StopSignal{0};

void OnStopRequest(int reason) {
  StopSignal.store(reason, std::memory_order_relaxed);
}

// Ctrl+C (or SIGTERM, or the terminal going away) lets the file in hand finish; a second one ends
// the process at once, which leaves every file whole too (temporary files are removed by undo, or
// by the next run in that folder).
void CatchStopRequests() {
  os::OnStopRequest(OnStopRequest);
}

// The JSON document of a run, written as the run goes, so that no file's entry (and diff) is held
// until its end: the opening, one entry per file, then the totals.
void JsonOpen() {
  WriteOut("{\n  \"files\": [");
}

void JsonEntry(const TFileLine& r, bool first, bool withDiff) {
  std::string out = first ? "\n    " : ",\n    ";
  out += "{\"path\": " + JsonString(r.Path) +
         ", \"replacements\": " + std::to_string(r.Replacements) +
         ", \"microseconds\": " + std::to_string(r.Microseconds) +
         ", \"status\": " + (r.Failed ? "\"Failed\"" : "\"Done\"") +
         ", \"error\": " + (r.Failed ? JsonString(r.Error) : "null");
  if (withDiff) out += ", \"diff\": " + (r.HasDiff ? JsonString(r.Diff) : "null");
  out += "}";
  WriteOut(out);
}

void JsonClose(std::size_t files, std::int64_t replacements, std::int64_t microseconds,
               std::size_t failed, bool dryRun, bool interrupted, const std::string& journal) {
  std::string out = files == 0 ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"files\": " + std::to_string(files) +
         ", \"replacements\": " + std::to_string(replacements) +
         ", \"microseconds\": " + std::to_string(microseconds) +
         ", \"failed\": " + std::to_string(failed) +
         ", \"dryRun\": " + (dryRun ? "true" : "false") +
         ", \"interrupted\": " + (interrupted ? "true" : "false") +
         ", \"journal\": " + (journal.empty() ? "null" : JsonString(journal)) + "}\n}\n";
  WriteOut(out);
}

}  // namespace

int RunSource(const TSourceArgs& args) {
  std::vector<std::string> lines;
  try {
    lines = ReadConversionData(args.Table);
  } catch (const EConfigError& e) {
    std::fprintf(stderr, "kv3conv: %s\n", Printable(e.what()).c_str());
    return ExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr,
                 "kv3conv: the conversion table cannot be read: %s\n"
                 "Name the table file with --table FILE.\n",
                 Printable(e.what()).c_str());
    return ExitUsage;
  }
  // Lines that give no pair change nothing; say so, since they are most likely mistakes.
  const std::vector<TIgnoredLine> ignored = IgnoredLines(lines);
  for (const auto& line : ignored) {
    std::fprintf(stderr, "kv3conv: %s:%zu: line ignored: %s\n", Printable(args.Table).c_str(),
                 line.Number, line.Reason.c_str());
  }
  if (ignored.size() == lines.size()) {
    std::fprintf(stderr,
                 "kv3conv: The conversion table \"%s\" cannot be used: none of its lines is a "
                 "find=replace pair\n",
                 Printable(args.Table).c_str());
    return ExitUsage;
  }

  const std::vector<std::string> masks = SplitMaskOption(args.Mask);
  if (masks.empty()) {
    std::fprintf(stderr,
                 "kv3conv: --mask names no file mask (separate masks with \";\" or \",\")\n");
    return ExitUsage;
  }

  // The file list: files as given, folders scanned to every level with the mask list.
  bool failedScan = false;
  const std::vector<std::string> files =
      CollectFiles(args.Paths, masks, {0, args.MaskGiven, true}, failedScan);

  // A file named twice (twice in the list, by two paths, or found by two overlapping folders)
  // is converted once.
  TConvertOptions options;
  // A diff shows what a run would change and writes nothing.
  const bool dryRun = args.DryRun || args.Diff;
  options.DryRun = dryRun;
  options.KeepTexts = args.Diff;
  options.ConvertRepeatsOnce = true;
  // The diff goes to standard output with the file's bytes as they are, except on a terminal,
  // where control bytes (other than tab) and bytes of no valid character are escaped.
  kv::TDiffStyle diffStyle;
  if (args.Diff && !args.Json) {
    if (os::IsTerminal(os::TStandardStream::Output)) diffStyle.ShowText = PrintableLine;
    if (ColourDiff(args.Color)) {
      diffStyle.Header = "\x1b[1m";
      diffStyle.HunkHeader = "\x1b[36m";
      diffStyle.Removed = "\x1b[31m";
      diffStyle.Added = "\x1b[32m";
      diffStyle.Reset = "\x1b[0m";
    }
  }
  // Under a double-byte code page (--codepage) matches keep to whole characters.
  options.CodePage = args.CodePage;
  options.Durable = args.Durable;
  // Every file is announced in the run's journal before it changes, so that undo can put it back.
  TRunJournal journal(args.Table);
  std::optional<TStaleTemporaries> staleTemporaries;
  if (!dryRun) {
    options.Journal = &journal;
    staleTemporaries.emplace(files);
  }
  CatchStopRequests();
  TSourceConverter converter(PairsFromLines(lines), options);
  std::size_t reported = 0;
  std::int64_t totalReplacements = 0;
  std::int64_t totalMicroseconds = 0;
  std::size_t failed = 0;
  std::size_t changed = 0;
  bool outputLost = false;
  if (args.Json) JsonOpen();
  {
    TProgressLine progress(files.size());
    converter.ConvertFiles(files, [&](std::size_t i, const kv::TFileResult& done) {
      TFileLine r;
      r.Path = files[i];
      r.Replacements = done.Replacements;
      r.Microseconds = done.Microseconds;
      progress.Clear();
      if (done.Error) {
        r.Failed = true;
        try {
          std::rethrow_exception(done.Error);
        } catch (const std::exception& e) {
          r.Error = e.what();
        } catch (...) {
          r.Error = "unknown error";
        }
        ++failed;
        std::fprintf(stderr, "kv3conv: %s: %s\n", Printable(r.Path).c_str(),
                     Printable(r.Error).c_str());
      } else {
        totalReplacements += r.Replacements;
        totalMicroseconds += r.Microseconds;
        if (r.Replacements > 0) ++changed;
        if (args.Diff && r.Replacements > 0) {
          std::string text = FileDiff(r.Path, done, diffStyle);
          if (args.Json) {
            r.HasDiff = true;
            r.Diff = std::move(text);
          } else {
            WriteOut(text);
          }
        }
      }
      // Each file's line (or entry) is written as it is done, and nothing of it is kept.
      if (args.Json) {
        JsonEntry(r, reported == 0, args.Diff);
      } else if (!args.Diff) {
        // With a diff, standard output holds the diff alone.
        std::printf("%8lld %12lld  %-6s  %s\n", static_cast<long long>(r.Replacements),
                    static_cast<long long>(r.Microseconds), r.Failed ? "Failed" : "Done",
                    Printable(r.Path).c_str());
      }
      ++reported;
      // After a stop signal, or once nobody reads what the run prints (a closed pipe, a full
      // disk), no further file is written; those converted meanwhile are dropped with their
      // temporary files.
      if (StopSignal.load(std::memory_order_relaxed) != 0) return false;
      if (OutputLost()) {
        outputLost = true;
        return false;
      }
      if (i + 1 < files.size()) progress.Show(i + 1, files[i + 1]);
      return true;
    });
  }
  const int stopSignal = StopSignal.load(std::memory_order_relaxed);
  const bool interrupted = stopSignal != 0 || outputLost;
  if (staleTemporaries) staleTemporaries->Join();
  journal.Finish(reported, changed, failed, interrupted);

  if (args.Json) {
    JsonClose(reported, totalReplacements, totalMicroseconds, failed, dryRun, interrupted,
              journal.Path());
  } else {
    std::fflush(stdout);
    std::fprintf(args.Diff ? stderr : stdout,
                 "Total: %lld replacements in %zu files, %zu changed, %zu failed, %.2f secs%s\n",
                 static_cast<long long>(totalReplacements), reported, changed, failed,
                 static_cast<double>(static_cast<long double>(totalMicroseconds) / 1000000.0L),
                 dryRun ? " (dry run: no file was written)" : "");
  }
  if (interrupted) {
    std::fprintf(stderr, "kv3conv: %s: %zu of %zu files were not converted\n",
                 outputLost ? "stopped, since the output could not be written" : "interrupted",
                 files.size() - reported, files.size());
  }
  if (!journal.Path().empty() && !args.Json) {
    std::fprintf(stderr, "kv3conv: journal of this run (kv3conv undo puts its files back): %s\n",
                 Printable(journal.Path()).c_str());
  }
  if (stopSignal != 0) return 128 + stopSignal;
  return failed > 0 || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
