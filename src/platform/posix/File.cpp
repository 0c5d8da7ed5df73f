// Files on POSIX: descriptors opened close-on-exec, reads and writes retried when a signal
// interrupts them, status from stat, hard links, renames that replace or refuse to.
#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Errno.h"

namespace kv::os {

namespace {

// The UTF-8 bytes of a path are its name on POSIX systems: the strings reach the calls as they are.

TEntryKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return TEntryKind::Regular;
  if (S_ISDIR(mode)) return TEntryKind::Folder;
  if (S_ISLNK(mode)) return TEntryKind::Link;
  if (S_ISFIFO(mode)) return TEntryKind::Pipe;
  if (S_ISSOCK(mode)) return TEntryKind::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return TEntryKind::Device;
  return TEntryKind::Other;
}

TEntry EntryOf(const struct stat& st) {
  TEntry entry;
  entry.Kind = KindOfMode(st.st_mode);
  TFileStatus& status = entry.Status;
  status.Device = static_cast<std::uint64_t>(st.st_dev);
  status.Inode = static_cast<std::uint64_t>(st.st_ino);
  status.Size = static_cast<std::int64_t>(st.st_size);
  status.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                      static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  status.Permissions = static_cast<unsigned>(st.st_mode & 07777);
  status.Owner = static_cast<std::uint32_t>(st.st_uid);
  status.Group = static_cast<std::uint32_t>(st.st_gid);
  return entry;
}

bool Failed(TError& error) {
  error = LastError();
  return false;
}

}  // namespace

std::optional<TEntry> StatusOf(const std::string& path, TFollow follow, TError* error) {
  struct stat st {};
  const int rc = follow == TFollow::Yes ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc != 0) {
    if (error) *error = LastError();
    return std::nullopt;
  }
  if (error) *error = {};
  return EntryOf(st);
}

TFile::~TFile() {
  if (Handle >= 0) ::close(static_cast<int>(Handle));
}

TFile::TFile(TFile&& other) noexcept : Handle(other.Handle) {
  other.Handle = -1;
}

TFile& TFile::operator=(TFile&& other) noexcept {
  if (this != &other) {
    if (Handle >= 0) ::close(static_cast<int>(Handle));
    Handle = other.Handle;
    other.Handle = -1;
  }
  return *this;
}

bool TFile::Open(const std::string& path, TOpen how, TError& error, unsigned permissions) {
  if (Handle >= 0) {
    ::close(static_cast<int>(Handle));
    Handle = -1;
  }
  int flags = O_CLOEXEC;
  switch (how) {
    case TOpen::Read:
      flags |= O_RDONLY;
      break;
    case TOpen::ReadRegular:
      // The name itself, never a link it is; a pipe opens without waiting for a writer.
      flags |= O_RDONLY | O_NOFOLLOW | O_NONBLOCK;
      break;
    case TOpen::CreateNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      break;
    case TOpen::CreateNewAppend:
      flags |= O_WRONLY | O_CREAT | O_EXCL | O_APPEND;
      break;
    case TOpen::Append:
      flags |= O_WRONLY | O_APPEND;
      break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, static_cast<mode_t>(permissions & 07777));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Failed(error);
  Handle = fd;
  error = {};
  return true;
}

bool TFile::IsOpen() const {
  return Handle >= 0;
}

std::int64_t TFile::Read(char* data, std::size_t size, TError& error) {
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(Handle), data, size);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

bool TFile::WriteAll(const char* data, std::size_t size, TError& error) {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(Handle), data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed(error);
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool TFile::Sync(TError& error, bool metadata) {
  const int fd = static_cast<int>(Handle);
  if ((metadata ? ::fsync(fd) : ::fdatasync(fd)) != 0) return Failed(error);
  return true;
}

bool TFile::Status(TEntry& entry, TError& error) const {
  struct stat st {};
  if (::fstat(static_cast<int>(Handle), &st) != 0) return Failed(error);
  entry = EntryOf(st);
  return true;
}

bool TFile::SetOwner(std::uint32_t owner, std::uint32_t group, TError& error) {
  // (uid_t) -1 and (gid_t) -1 leave the owner or group as it is.
  const uid_t uid = owner == UnchangedId ? static_cast<uid_t>(-1) : static_cast<uid_t>(owner);
  const gid_t gid = group == UnchangedId ? static_cast<gid_t>(-1) : static_cast<gid_t>(group);
  if (::fchown(static_cast<int>(Handle), uid, gid) != 0) return Failed(error);
  return true;
}

bool TFile::SetPermissions(unsigned permissions, TError& error) {
  if (::fchmod(static_cast<int>(Handle), static_cast<mode_t>(permissions & 07777)) != 0) {
    return Failed(error);
  }
  return true;
}

bool TFile::Close(TError& error) {
  if (Handle < 0) return true;
  const int rc = ::close(static_cast<int>(Handle));
  Handle = -1;
  if (rc != 0) return Failed(error);
  return true;
}

bool Link(const std::string& from, const std::string& to, TError& error) {
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  const int err = errno;
  error = ErrnoError(err);
  // File systems without hard links (FAT, exFAT, many network shares) answer with one of these;
  // EMLINK: the file has as many links as it may have.
  if (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK) {
    error.Kind = TErrorKind::LinksUnsupported;
  }
  return false;
}

bool Rename(const std::string& from, const std::string& to, TError& error) {
  if (::rename(from.c_str(), to.c_str()) != 0) return Failed(error);
  return true;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to, TError& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) {
    return Failed(error);
  }
  // No such rename here: the name is claimed by creating it exclusively, and the file is then
  // moved over that claim.
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Failed(error);
  ::close(fd);
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  error = LastError();
  ::unlink(to.c_str());
  return false;
}

bool Remove(const std::string& path, TError& error) {
  if (::unlink(path.c_str()) != 0) return Failed(error);
  return true;
}

bool MakeFolder(const std::string& path, TError& error, unsigned permissions) {
  if (::mkdir(path.c_str(), static_cast<mode_t>(permissions & 07777)) != 0) return Failed(error);
  return true;
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  return ::close(fd) == 0 && synced;
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace kv::os
