// Files: open, read, write, flush, close, status, owner and permissions, links, renames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Error.h"

namespace kv {

// What a file was when it was read: its identity (volume and file number), its size and
// modification time, which together tell whether it changed since, and its owner, group and
// permission bits, which a file that replaces it keeps. On Windows the identity comes from the
// handle's file information, the owner and group are 0 and the permissions are 0444 for a
// read-only file and 0666 otherwise.
struct TFileStatus {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;  // modification time, nanoseconds since the epoch
  unsigned Permissions = 0;     // the low 12 bits of the mode
  std::uint32_t Owner = 0;
  std::uint32_t Group = 0;
};

namespace os {

// What an entry of a folder is.
enum class TEntryKind { Regular, Folder, Link, Pipe, Socket, Device, Other };

struct TEntry {
  TEntryKind Kind = TEntryKind::Other;
  TFileStatus Status;
};

// The entry at path, not following a link (Follow: the entry the links lead to). nullopt when
// there is none; error, when given, says why.
enum class TFollow { No, Yes };
std::optional<TEntry> StatusOf(const std::string& path, TFollow follow = TFollow::No,
                               TError* error = nullptr);

// An open file, closed when it goes. Every call returns false (or -1) on failure with the error
// stored in `error`.
class TFile {
 public:
  enum class TOpen {
    Read,             // an existing entry, whatever it is (a pipe named as input, say)
    ReadRegular,      // only what the name itself is, without following a link and never waiting
                      // for a writer (a pipe), so that the caller can look before reading
    CreateNew,        // a new file that must not exist yet, for writing
    CreateNewAppend,  // the same, every write at its end (a log)
    Append,           // an existing file, every write at its end
  };

  TFile() = default;
  ~TFile();
  TFile(TFile&& other) noexcept;
  TFile& operator=(TFile&& other) noexcept;
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  // permissions: the mode of a new file (the creation mask may strip some; on Windows only the
  // write bits count: without any the file is made read-only).
  bool Open(const std::string& path, TOpen how, TError& error, unsigned permissions = 0666);
  bool IsOpen() const;

  // Reads up to size bytes; the count read, 0 at the end, -1 on failure.
  std::int64_t Read(char* data, std::size_t size, TError& error);
  bool WriteAll(const char* data, std::size_t size, TError& error);
  // Flushes the content (and with metadata, what the file system keeps of it) to the disk.
  bool Sync(TError& error, bool metadata = true);
  bool Status(TEntry& entry, TError& error) const;
  // Gives the file an owner and group (POSIX; a no-op on Windows when they are 0) and permission
  // bits (on Windows: read-only when no write bit is set). An owner or group of UnchangedId stays
  // as it is.
  static constexpr std::uint32_t UnchangedId = 0xFFFFFFFFu;
  bool SetOwner(std::uint32_t owner, std::uint32_t group, TError& error);
  bool SetPermissions(unsigned permissions, TError& error);
  bool Close(TError& error);

 private:
  std::intptr_t Handle = -1;
};

// Another name for the file at from, made at to; never replaces an entry (Exists when to is
// taken, LinksUnsupported where the file system has no hard links).
bool Link(const std::string& from, const std::string& to, TError& error);
// Moves from to to in one step, replacing what is at to.
bool Rename(const std::string& from, const std::string& to, TError& error);
// Moves from to to only while nothing is at to (Exists otherwise). Where the file system has no
// rename that refuses to replace, the name is claimed first by creating it exclusively and the
// file is then moved over that claim; Unsupported only where neither can be done.
bool RenameWithoutReplacing(const std::string& from, const std::string& to, TError& error);
// Removes a file (or a link, not what it leads to).
bool Remove(const std::string& path, TError& error);
// Makes a folder; Exists when something is at path already. permissions: POSIX only.
bool MakeFolder(const std::string& path, TError& error, unsigned permissions = 0777);
// Flushes a folder's entries (names created, linked, renamed in it) to the disk. An empty folder
// is the working folder. Windows keeps names on its own: true there.
bool SyncFolder(const std::string& folder);
// True when the current user may create files in folder.
bool FolderWritable(const std::string& folder);

}  // namespace os
}  // namespace kv
