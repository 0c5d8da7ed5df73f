// Whole-file reading and crash-safe replacement of files. A user's file is only ever replaced by
// content that has been written completely to a temporary file beside it first.
#pragma once

#include <string>

namespace kv {

// Reads a whole file. Raises EFileError "Cannot open file "<path>". <reason>" on failure.
std::string ReadFileBytes(const std::string& path);
// The same into a caller's buffer, which keeps its capacity from one file to the next.
void ReadFileInto(const std::string& path, std::string& bytes);

// True when something exists at path (a file, folder or other entry).
bool FileExists(const std::string& path);

// Writes bytes to path safely: the bytes go to a temporary file in the same folder first; only
// when that is complete is it moved over path. When backupPath is not empty the old file is
// first renamed to backupPath, replacing an older file of that name. Any failure raises EFileError,
// removes the temporary file and leaves path as it was (restored from the backup name if needed).
// A new file takes the permissions of the file it replaces. With syncToDisk the new content is
// flushed to the disk before it replaces the old; a caller that keeps the old content under the
// backup name may skip that, since a crash then cannot lose the old content.
void WriteFileSafely(const std::string& path, const std::string& bytes,
                     const std::string& backupPath = {}, bool syncToDisk = true);

}  // namespace kv
