// The journal of a source run: a text file that says, at every instant of the run, which files
// the run is replacing or has replaced, under which backup name each original is kept, and the
// hashes of the original and the new content, so that the run can be undone later, also after the
// process was killed.
//
// Journals are kept in the user's state folder, $XDG_STATE_HOME/kv3conv/journals (by default
// ~/.local/state/kv3conv/journals; %LOCALAPPDATA%\kv3conv\journals on Windows), one file per
// run, named by the run's start time (UTC) and process id, so that the newest name is the last
// run's. The file is created when the run commits its first file; a run that changes nothing
// leaves no journal.
//
// One line per event, fields separated by tabs; a backslash, tab, line feed or carriage return in
// a field is written as \\, \t, \n or \r:
//   kv3conv-journal  1                                          (format version)
//   start   <time>   <pid>   <working folder>   <table path>   <host>
//   folder  <path>                        (a folder of the run's files, where its temporary files
//                                          are made; one line each, after the start line)
//   intent  <n>      <path>  <backup path> <hash of original> <hash of new content>
//                                         (before the file changes; the first backup name)
//   backup  <n>      <backup path>        (only when another name was taken than the intent's,
//                                          once it is claimed and before the file is replaced)
//   copy    <n>      <backup path>        (a file system without hard links: the original is
//                                          copied, and the copy is about to take this name)
//   done    <n>      <time>               (the new content is in place)
//   failed  <n>                           (the replacement failed; the file is as it was)
//   end     <time>   <files> <changed> <failed> <completed|interrupted>
//   undone  <time>                        (appended by undo once every file is back)
// Paths are absolute; hashes are HashBytes values in 16 hex digits; times are UTC
// (2026-12-10T18:18:10.123456Z). A run that died has no end line; a line cut short by it (no
// line break) is ignored.
//
// Lines are appended with one write each to a file opened for appending, each intent, backup and
// copy line before the step it announces, so the journal is true whenever the process dies. A
// backup claimed under another name than the intent's but not yet noted is a hard link of the
// file (which was not replaced yet), so undo finds it by that. To spare a write per file, a done
// line goes out with the next file's intent line (or the end line): a file whose done line is
// missing may or may not have been replaced, and undo tells which from its content. A durable run
// writes a file's done line only once the file and its folder are flushed to the disk, and then
// flushes the journal; otherwise the journal is not flushed, and after a power loss its last
// lines may be missing, while the files' backups still hold every original.
//
// Undo also removes the temporary files that the run left in its folders when it was killed:
// they carry the run's host and process id in their names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/File.h"

namespace kv {

// The folder journals are kept in (not created here).
std::string JournalFolder();
// The newest journal in folder, empty when there is none.
std::string LastJournal(const std::string& folder = JournalFolder());

// Writes the journal of one run. All calls come from one thread (the one that commits files).
class TRunJournal {
 public:
  // The time of the journal's lines, formatted once a second.
  struct TClockText {
    std::string Now(bool compact);
    long long Second = -1;
    bool Compact = false;
    std::string Text;
  };

  explicit TRunJournal(std::string tablePath, std::string folder = JournalFolder());
  ~TRunJournal();
  TRunJournal(const TRunJournal&) = delete;
  TRunJournal& operator=(const TRunJournal&) = delete;

  // The journal's path; empty while nothing was written.
  const std::string& Path() const { return FilePath; }

  // Announces the replacement of path, keeping its original under backupPath (creating the
  // journal on the first call); returns the entry's number for the calls below. Raises
  // EFileError when the journal cannot be written, and the file must then not be replaced.
  std::size_t Intent(const std::string& path, const std::string& backupPath,
                     std::uint64_t originalHash, std::uint64_t newHash);
  // The original of entry n is kept under backupPath after all (another name than the intent's
  // had to be taken). Raises EFileError like Intent.
  void Backup(std::size_t n, const std::string& backupPath);
  // A copy of the original of entry n is about to take the name backupPath (a file system
  // without hard links). Raises EFileError like Intent.
  void Copy(std::size_t n, const std::string& backupPath);
  // The folders of the files of the run, noted with the journal's first lines.
  void NoteFolders(const std::vector<std::string>& paths);
  // Flushes what was written to the disk. A failure is not raised: the done lines written so far
  // may then be lost by a power loss, which undo copes with.
  void Sync() noexcept;
  // Entry n's new content is in place (noted with the next line written), or its replacement
  // failed. A line that cannot be written is dropped: the journal stays true without it.
  void Done(std::size_t n) noexcept;
  void Failed(std::size_t n) noexcept;
  // The run's totals; nothing is written when the journal was never created.
  void Finish(std::size_t files, std::size_t changed, std::size_t failed,
              bool interrupted) noexcept;

 private:
  void Open();
  void Append(const std::string& line);

  std::string Table;
  std::string Folder;
  std::string FilePath;
  std::string WorkingFolder;
  std::vector<std::string> RunFolders;
  os::TFile File;  // open once the journal was created
  std::size_t Entries = 0;
  std::string PendingDone;  // done lines that go out with the next line
  TClockText Clock;
  bool FolderSynced = false;
};

// A journal as read back.
struct TJournalEntry {
  std::string Path;
  std::string Backup;
  std::uint64_t OriginalHash = 0;
  std::uint64_t NewHash = 0;
  bool Copied = false;  // the backup is a copy the run made, not a link of the file
  bool Done = false;
  bool Failed = false;
};

struct TJournal {
  std::string Path;
  std::string Started;
  long Pid = 0;
  std::string Host;  // empty in journals of versions that did not note it
  std::string WorkingFolder;
  std::string Table;
  std::vector<std::string> Folders;
  std::vector<TJournalEntry> Files;
  bool Ended = false;
  bool Interrupted = false;
  bool Undone = false;
};

// Reads a journal; raises EFileError when it cannot be read or is not a journal.
TJournal ReadJournal(const std::string& path);

enum class TUndoStatus {
  Restored,       // the original is back and the backup the run made is gone
  AlreadyUndone,  // the file already held its original and the run's backup was gone
  NotChanged,     // the run died or failed before it changed the file
  Refused,        // left as it is; Reason says why
};

struct TUndoResult {
  std::string Path;
  TUndoStatus Status = TUndoStatus::Refused;
  std::string Reason;
};

// The word for a status: "Restored", "Already undone", "Not changed", "Refused".
const char* UndoStatusWord(TUndoStatus status);

// Puts back every file of the run of a journal, the last committed first. A file is restored
// only when it still holds what the run wrote (with force: whatever it holds) and its backup
// holds the original; a backup whose content is not the original's is never removed. When no
// file is refused, the journal is marked undone and undoing it again changes nothing. The
// temporary files the run left in its folders, when it was killed, are removed.
//
// progress, when given, is told after each file the files handled so far and the journal's total.
// When it returns false, the undo stops there: the results hold only the files handled (the last
// ones of the journal), the others stay as they are for a later undo to put back, and the journal
// is not marked undone.
using TUndoProgress = std::function<bool(std::size_t handled, std::size_t total)>;
std::vector<TUndoResult> UndoRun(const std::string& journalPath, bool force,
                                 const TUndoProgress& progress = {});

}  // namespace kv
