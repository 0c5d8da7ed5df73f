// kv3conv source: the source migration of listed files and folders with one conversion table.

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <set>

#include "base/Errors.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "migrate/ConversionTable.h"
#include "migrate/Journal.h"
#include "migrate/ReplaceEngine.h"

namespace kv::cli {

namespace {

struct TFileLine {
  std::string Path;
  std::int32_t Replacements = 0;
  std::int64_t Microseconds = 0;
  bool Failed = false;
  std::string Error;
};

// The signal that asked the run to stop (SIGINT or SIGTERM), 0 while none did.
std::atomic<int> StopSignal{0};

void OnStopSignal(int signal) {
  StopSignal.store(signal, std::memory_order_relaxed);
}

// Ctrl+C or SIGTERM lets the file in hand finish; a second one ends the process at once, which
// leaves every file whole too (temporary files are removed by the next run in that folder).
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// Removes the temporary files that killed runs left in the folders of the files.
void RemoveStaleTemporaries(const std::vector<std::string>& files) {
  std::set<std::string> folders;
  for (const auto& file : files) {
    const std::size_t slash = file.find_last_of('/');
    folders.insert(slash == std::string::npos ? std::string() : file.substr(0, slash + 1));
  }
  for (const auto& folder : folders) {
    for (const auto& path : kv::RemoveStaleTemporaries(folder)) {
      std::fprintf(stderr, "kv3conv: removed a temporary file left by an interrupted run: %s\n",
                   Printable(path).c_str());
    }
  }
}

void PrintJson(const std::vector<TFileLine>& results, std::int64_t replacements,
               std::int64_t microseconds, std::size_t failed, bool dryRun, bool interrupted,
               const std::string& journal) {
  std::string out = "{\n  \"files\": [";
  for (std::size_t i = 0; i < results.size(); ++i) {
    const auto& r = results[i];
    out += i == 0 ? "\n    " : ",\n    ";
    out += "{\"path\": " + JsonString(r.Path) +
           ", \"replacements\": " + std::to_string(r.Replacements) +
           ", \"microseconds\": " + std::to_string(r.Microseconds) +
           ", \"status\": " + (r.Failed ? "\"Failed\"" : "\"Done\"") +
           ", \"error\": " + (r.Failed ? JsonString(r.Error) : "null") + "}";
  }
  out += results.empty() ? "],\n" : "\n  ],\n";
  out += "  \"total\": {\"files\": " + std::to_string(results.size()) +
         ", \"replacements\": " + std::to_string(replacements) +
         ", \"microseconds\": " + std::to_string(microseconds) +
         ", \"failed\": " + std::to_string(failed) +
         ", \"dryRun\": " + (dryRun ? "true" : "false") +
         ", \"interrupted\": " + (interrupted ? "true" : "false") +
         ", \"journal\": " + (journal.empty() ? "null" : JsonString(journal)) + "}\n}\n";
  std::fputs(out.c_str(), stdout);
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
      CollectFiles(args.Paths, masks, 0, failedScan, args.MaskGiven);

  // A file named twice (twice in the list, by two paths, or found by two overlapping folders)
  // is converted once.
  TConvertOptions options;
  options.DryRun = args.DryRun;
  options.ConvertRepeatsOnce = true;
  // Every file is announced in the run's journal before it changes, so that undo can put it back.
  TRunJournal journal(args.Table);
  if (!args.DryRun) {
    options.Journal = &journal;
    RemoveStaleTemporaries(files);
  }
  CatchStopSignals();
  TSourceConverter converter(PairsFromLines(lines), options);
  std::vector<TFileLine> results;
  results.reserve(files.size());
  std::int64_t totalReplacements = 0;
  std::int64_t totalMicroseconds = 0;
  std::size_t failed = 0;
  std::size_t changed = 0;
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
      }
      if (!args.Json) {
        std::printf("%8d %12lld  %-6s  %s\n", r.Replacements,
                    static_cast<long long>(r.Microseconds), r.Failed ? "Failed" : "Done",
                    Printable(r.Path).c_str());
      }
      results.push_back(std::move(r));
      // After a stop signal no further file is written; those converted meanwhile are dropped
      // with their temporary files.
      if (StopSignal.load(std::memory_order_relaxed) != 0) return false;
      if (i + 1 < files.size()) progress.Show(i + 1, files[i + 1]);
      return true;
    });
  }
  const int stopSignal = StopSignal.load(std::memory_order_relaxed);
  const bool interrupted = stopSignal != 0;
  journal.Finish(results.size(), changed, failed, interrupted);

  if (args.Json) {
    PrintJson(results, totalReplacements, totalMicroseconds, failed, args.DryRun, interrupted,
              journal.Path());
  } else {
    std::printf("Total: %lld replacements in %zu files, %zu changed, %zu failed, %.2f secs%s\n",
                static_cast<long long>(totalReplacements), results.size(), changed, failed,
                static_cast<double>(static_cast<long double>(totalMicroseconds) / 1000000.0L),
                args.DryRun ? " (dry run: no file was written)" : "");
  }
  if (interrupted) {
    std::fprintf(stderr, "kv3conv: interrupted: %zu of %zu files were not converted\n",
                 files.size() - results.size(), files.size());
  }
  if (!journal.Path().empty() && !args.Json) {
    std::fprintf(stderr, "kv3conv: journal of this run (kv3conv undo puts its files back): %s\n",
                 Printable(journal.Path()).c_str());
  }
  if (interrupted) return 128 + stopSignal;
  return failed > 0 || failedScan ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
