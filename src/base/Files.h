// Whole-file reading and crash-safe replacement of files. A user's file is only ever replaced by
// content that has been written completely to a temporary file beside it first.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// Reads a whole file. Raises EFileError "Cannot open file "<path>". <reason>" on failure.
std::string ReadFileBytes(const std::string& path);
// The same into a caller's buffer, which keeps its capacity from one file to the next. With
// permissions, the file's permission bits (the low 12 bits of its mode) are stored there, taken
// from the same status query that sizes the buffer.
void ReadFileInto(const std::string& path, std::string& bytes, unsigned* permissions = nullptr);

// True when permission bits allow nobody to write (no write bit for owner, group or others). Such
// a file is taken as read-only on purpose, whoever runs the program, the superuser included.
inline bool IsReadOnlyMode(unsigned permissions) {
  return (permissions & 0222u) == 0;
}

// Parts of a path: the file name after the last "/", and the extension from the last "." of the
// file name (empty when the name has none). ChangeFileExt replaces the extension, or appends the
// new one when the name has none.
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& extension);

// True when something exists at path (a file, folder or other entry).
bool FileExists(const std::string& path);

// Replacing a file in two steps: the constructor writes the new content to a temporary file in
// the same folder (with the permissions of the file it will replace); Commit then moves the old
// file to its backup name, when one is given (replacing an older file of that name), and the new
// file into its place. Until Commit succeeds the file at path is untouched; a replacement that
// is not committed removes its temporary file. Failures raise EFileError.
class TFileReplacement {
 public:
  // With syncToDisk the new content is flushed to the disk before it can replace the old; a
  // caller that keeps the old content under a backup name may skip that, since a crash then
  // cannot lose the old content.
  // permissions: those of the file replaced, when the caller has just read them; otherwise they
  // are looked up.
  TFileReplacement(const std::string& path, const std::string& bytes, bool syncToDisk = true,
                   std::optional<unsigned> permissions = std::nullopt);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  void Commit(const std::string& backupPath = {});

  // Like Commit, but the old file is kept under a name that no file had: the first of
  // backupName(0), backupName(1), ... at which nothing exists. The name is claimed atomically by
  // linking the old file there, which fails when anything has that name, so a backup never
  // replaces a file, not even one another process creates meanwhile. Returns the name taken.
  // When the new file cannot be moved into place the claimed name is released again.
  // onClaimed, when given, is called with the name once it holds the old file and before the new
  // file takes its place (a run's journal notes it there); when it throws, the claim is released
  // and the file is left as it was.
  std::string CommitWithFreshBackup(
      const std::function<std::string(unsigned)>& backupName,
      const std::function<void(const std::string&)>& onClaimed = {});

 private:
  std::string Path;
  std::string TempPath;
};

// Temporary files of TFileReplacement are named "<file>.kvtmp-<pid>-<number>" beside the file
// they replace. RemoveStaleTemporaries removes from folder (not its subfolders) those whose
// process no longer runs, left by a run that was killed, and returns their paths. Entries that
// cannot be removed are left and not returned.
std::vector<std::string> RemoveStaleTemporaries(const std::string& folder);
// The process id in the name of such a temporary file; 0 when the name is not one.
long TemporaryOwner(const std::string& fileName);

// Writes bytes to path through a TFileReplacement: all or nothing.
void WriteFileSafely(const std::string& path, const std::string& bytes,
                     const std::string& backupPath = {}, bool syncToDisk = true);

}  // namespace kv
