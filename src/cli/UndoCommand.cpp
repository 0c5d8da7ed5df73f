// kv3conv undo: puts back the files of a source run, from the run's journal.

#include <cstdio>
#include <exception>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "migrate/Journal.h"

namespace kv::cli {

int RunUndo(const TUndoArgs& args) {
  std::string path = args.Journal;
  if (path.empty()) {
    path = LastJournal();
    if (path.empty()) {
      std::fprintf(stderr, "kv3conv: there is no run to undo: no journal in \"%s\"\n",
                   Printable(JournalFolder()).c_str());
      return ExitUsage;
    }
  }
  std::vector<TUndoResult> results;
  try {
    results = UndoRun(path, args.Force);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kv3conv: %s\n", Printable(e.what()).c_str());
    return ExitUsage;
  }
  std::size_t restored = 0, already = 0, unchanged = 0, refused = 0;
  for (const auto& r : results) {
    switch (r.Status) {
      case TUndoStatus::Restored: ++restored; break;
      case TUndoStatus::AlreadyUndone: ++already; break;
      case TUndoStatus::NotChanged: ++unchanged; break;
      case TUndoStatus::Refused: ++refused; break;
    }
  }
  if (args.Json) {
    std::string out = "{\n  \"journal\": " + JsonString(path) + ",\n  \"files\": [";
    for (std::size_t i = 0; i < results.size(); ++i) {
      const auto& r = results[i];
      out += i == 0 ? "\n    " : ",\n    ";
      out += "{\"path\": " + JsonString(r.Path) +
             ", \"status\": " + JsonString(UndoStatusWord(r.Status)) +
             ", \"reason\": " + (r.Reason.empty() ? "null" : JsonString(r.Reason)) + "}";
    }
    out += results.empty() ? "],\n" : "\n  ],\n";
    out += "  \"total\": {\"files\": " + std::to_string(results.size()) +
           ", \"restored\": " + std::to_string(restored) +
           ", \"alreadyUndone\": " + std::to_string(already) +
           ", \"notChanged\": " + std::to_string(unchanged) +
           ", \"refused\": " + std::to_string(refused) + "}\n}\n";
    std::fputs(out.c_str(), stdout);
  } else {
    std::printf("Undoing the run of %s\n", Printable(path).c_str());
    for (const auto& r : results) {
      std::string word = UndoStatusWord(r.Status);
      if (!r.Reason.empty()) word += ": " + r.Reason;
      std::printf("%s  %s\n", Printable(word).c_str(), Printable(r.Path).c_str());
    }
    std::printf("Total: %zu files, %zu restored, %zu already undone, %zu not changed, %zu refused\n",
                results.size(), restored, already, unchanged, refused);
  }
  return refused > 0 ? ExitFileFailed : ExitOk;
}

}  // namespace kv::cli
