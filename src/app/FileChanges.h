// What a source run changes in one project file, for the window to show as a diff: before a run
// what a run with the current table would change (a dry run of that one file), after a run what
// the run changed (from the original the run kept as backup to the file as it is now).
#pragma once

#include <cstddef>
#include <string>

namespace kv {

class TfrmMain;

struct TFileChanges {
  enum class TKind {
    Preview,  // OldText/NewText: what a run with the current table would write
    Made,     // OldText/NewText: the original before the last run and the file now
    None,     // nothing to show; Note says why (no change, no pair, not run yet)
    Error,    // Note holds the error (the file failed, cannot be read, its backup is gone)
  };
  TKind Kind = TKind::None;
  std::string Path;  // the file's path as listed
  // The text the pairs work on (a binary form's text form) and the new text.
  std::string OldText;
  std::string NewText;
  bool BinaryForm = false;  // the file on disk was (or still is) a binary form
  std::string Note;
};

// The changes of the project list's row: after the last run of the window (a row that says
// "Done" or "Failed") those the run made or the error it met, otherwise (also after an undo put
// the file back: "Undone") those a run would make now. Errors are returned in the result, never
// raised.
TFileChanges SourceFileChanges(const TfrmMain& form, std::size_t row);

}  // namespace kv
