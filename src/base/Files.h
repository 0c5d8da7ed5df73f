// Whole-file reading and crash-safe replacement of files. A user's file is only ever replaced by
// content that has been written completely to a temporary file beside it first, only while it is
// still the file that was read, and the new file keeps the owner, group and mode of the old.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"  // TFileStatus

namespace kv {

// True when two statuses are of the same file with the same content as far as the file system
// tells: device, inode, size and modification time are equal.
bool SameFileVersion(const TFileStatus& a, const TFileStatus& b);

// Which files a read accepts. Any: whatever opens (a pipe named as a table, say). RegularOnly: a
// regular file reached by its own name, never a link, pipe, device or socket; such a path is
// refused with an error that says what it is, without blocking on it.
enum class TFileKinds { Any, RegularOnly };

// Reads a whole file. Raises EFileError "Cannot open file "<path>". <reason>" on failure.
std::string ReadFileBytes(const std::string& path);
// The same into a caller's buffer, which keeps its capacity from one file to the next. With
// status, what the file was when it was read is stored there, taken from the same status query
// that sizes the buffer. A file too large to be held in memory raises EFileError saying so.
void ReadFileInto(const std::string& path, std::string& bytes, TFileStatus* status = nullptr,
                  TFileKinds kinds = TFileKinds::Any);

// The status of the entry at path, not following a link; nullopt when there is none. isRegular
// tells whether it is a regular file.
std::optional<TFileStatus> EntryStatus(const std::string& path, bool* isRegular = nullptr);

// True when permission bits allow nobody to write (no write bit for owner, group or others). Such
// a file is taken as read-only on purpose, whoever runs the program, the superuser included.
inline bool IsReadOnlyMode(unsigned permissions) {
  return (permissions & 0222u) == 0;
}

// Parts of a path, found with the system's separators ("/", and "\" on Windows too): the file
// name after the last separator, and the extension from the last "." of the file name (empty when
// the name has none). ChangeFileExt replaces the extension, or appends the new one when the name
// has none. FolderOf is the part before the last separator (empty for a bare name, the root itself
// for a file in a root: "/", "C:\").
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& extension);
std::string FolderOf(const std::string& path);

// True when something exists at path (a file, folder or other entry).
bool FileExists(const std::string& path);

// Flushes a folder's entries (names created, linked, renamed in it) to the disk; false when that
// fails. An empty folder is the working folder.
bool SyncFolder(const std::string& folder);

// How a replaced file's old content was kept under its backup name.
enum class TBackupKind {
  Linked,  // the backup name is a hard link of the old file
  Copied,  // the file system has no hard links: the backup is a copy of the old file
};

// Replacing a file in two steps: the constructor writes the new content to a temporary file in
// the same folder, with the owner, group and permissions of the file it will replace; Commit then
// keeps the old file under its backup name, when one is given, and moves the new file into its
// place. Until Commit succeeds the file at path is untouched; a replacement that is not committed
// removes its temporary file. Failures raise EFileError, and the file at path is then as it was:
// also when its owner, group or mode cannot be given to the new file, and when it is no longer the
// file that was read ("changed during the run; left as it is"). A file with other hard links is
// split from them: its other names keep the old content.
// When the new content of a file is flushed to the disk before it can take the file's place.
enum class TDiskSync {
  Never,
  Always,
  // Only when there is a file to replace: a new file has no old content to lose.
  WhenReplacing,
};

class TFileReplacement {
 public:
  // With syncToDisk the new content is flushed to the disk before it can replace the old.
  // original: what the file replaced was when its content was read; the replacement then keeps
  // its owner, group and permissions and commits only while it is still that file. Without it,
  // the file at path (when there is one) is looked up now.
  TFileReplacement(const std::string& path, const std::string& bytes, bool syncToDisk = true,
                   const TFileStatus* original = nullptr)
      : TFileReplacement(path, bytes, syncToDisk ? TDiskSync::Always : TDiskSync::Never, original) {
  }
  TFileReplacement(const std::string& path, const std::string& bytes, TDiskSync sync,
                   const TFileStatus* original = nullptr);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  // Replaces the file without keeping the old one.
  void Commit();

  // Called while a backup is being made: with Linked once the name holds a hard link of the old
  // file; with Copied before the name is claimed for a copy of it (a file system without hard
  // links). When it throws, the file is left as it was and nothing stays under the name.
  using TBackupNote = std::function<void(const std::string& backupPath, TBackupKind kind)>;

  // Like Commit, but the old file is kept under a name that no file had: the first of
  // backupName(0), backupName(1), ... at which nothing exists. The name is claimed atomically
  // (by linking the old file there, or, without hard links, by moving a complete copy of it there
  // with a rename that never replaces), so a backup never replaces a file, not even one another
  // process creates meanwhile. At every instant the file at path holds its old or its new
  // content. When the new file cannot be moved into place, the claimed name is released again.
  // Returns the name taken.
  std::string CommitWithFreshBackup(const std::function<std::string(unsigned)>& backupName,
                                    const TBackupNote& note = {});

 private:
  // Checks, through an entry that is the file at path now (the path itself or a link of it),
  // that it is still the file that was read.
  void CheckUnchanged(const std::optional<TFileStatus>& now) const;
  // A complete copy of the file at path in a new temporary file beside it; returns its name.
  std::string CopyOldFile() const;

  std::string Path;
  std::string TempPath;
  bool SyncToDisk;
  std::optional<TFileStatus> Original;
};

// Temporary files are named "<file>.kvtmp-<host>-<pid>-<number>" beside the file they replace,
// with the host name (letters, digits, "." and "_"; anything else becomes "_") and the id of the
// process that writes them. A process id tells whether a writer still runs only on the host that
// ran it, so only temporary files of this host are ever removed.
struct TTemporaryOwner {
  std::string Host;
  long Pid = 0;  // 0: the name is not a temporary file's
};
TTemporaryOwner TemporaryOwner(const std::string& fileName);
// This host's name as temporary file names carry it.
const std::string& TemporaryHost();

// Removes from folder (not its subfolders) the temporary files of this host whose process no
// longer runs, left by runs that were killed, and returns their paths. With pid, only those of
// that process. Entries that cannot be removed are left and not returned.
std::vector<std::string> RemoveStaleTemporaries(const std::string& folder,
                                                std::optional<long> pid = std::nullopt);
// The same for the folder of each path (each folder once).
std::vector<std::string> RemoveStaleTemporariesBeside(const std::vector<std::string>& paths);

// Writes bytes to path through a TFileReplacement: all or nothing.
void WriteFileSafely(const std::string& path, const std::string& bytes, bool syncToDisk = true);
void WriteFileSafely(const std::string& path, const std::string& bytes, TDiskSync sync);

}  // namespace kv
