// Whole-file reading and crash-safe file replacement (POSIX).
#include "base/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>

#include "base/Errors.h"

namespace kv {

namespace {

std::string Reason(int err) {
  return std::strerror(err);
}

[[noreturn]] void ThrowOpen(const std::string& path, const std::string& reason) {
  throw EFileError("Cannot open file \"" + path + "\". " + reason);
}

[[noreturn]] void ThrowCreate(const std::string& path, int err) {
  throw EFileError("Cannot create file \"" + path + "\". " + Reason(err));
}

[[noreturn]] void ThrowWrite(const std::string& path, int err) {
  throw EFileError("Cannot write file \"" + path + "\". " + Reason(err));
}

// The words of the error of a file that is no longer the one that was read.
constexpr const char* ChangedDuringRun = "changed during the run; left as it is";

// Closes a descriptor on every path.
class TFd {
 public:
  explicit TFd(int fd) : Fd(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return Fd; }
  int Close() {
    int rc = 0;
    if (Fd >= 0) rc = ::close(Fd);
    Fd = -1;
    return rc;
  }

 private:
  int Fd;
};

TFileStatus StatusOf(const struct stat& st) {
  TFileStatus status;
  status.Device = static_cast<std::uint64_t>(st.st_dev);
  status.Inode = static_cast<std::uint64_t>(st.st_ino);
  status.Size = static_cast<std::int64_t>(st.st_size);
  status.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                      static_cast<std::int64_t>(st.st_mtim.tv_nsec);
  status.Permissions = static_cast<unsigned>(st.st_mode & 07777);
  status.Owner = static_cast<std::uint32_t>(st.st_uid);
  status.Group = static_cast<std::uint32_t>(st.st_gid);
  return status;
}

// What an entry that is not a regular file is, for the error that refuses it.
std::string KindOf(mode_t mode) {
  if (S_ISLNK(mode))
    return "a symbolic link, and a link is never replaced (name the file it leads to)";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe (FIFO), not a regular file";
  if (S_ISSOCK(mode)) return "a socket, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device, not a regular file";
  return "not a regular file";
}

// The host part of temporary file names: the host name with anything but letters, digits, "."
// and "_" made "_", at most 32 bytes.
std::string SanitizedHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "host";
  std::string host;
  for (const char* p = name; *p != '\0' && host.size() < 32; ++p) {
    const char c = *p;
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_';
    host += keep ? c : '_';
  }
  return host;
}

// Creates a new file beside path with a unique name and the given permission bits (the creation
// mask may strip some); returns its descriptor and name.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  static const std::string owner =
      TemporaryHost() + "-" + std::to_string(static_cast<long>(::getpid()));
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".kvtmp-" + owner + "-" + std::to_string((stamp + counter++) % 1000000007ULL);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) ThrowCreate(path, errno);
  }
  ThrowCreate(path, EEXIST);
}

void WriteAll(int fd, const char* data, std::size_t left, const std::string& path) {
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowWrite(path, errno);
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
}

// Gives the new file at fd the owner, group and permission bits of the file it replaces. The
// owner goes first, since changing it clears the set-user and set-group bits. Every step is
// checked: a file that cannot be given them is not replaced.
void KeepOwnerAndMode(int fd, const TFileStatus& original, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) ThrowWrite(path, errno);
  bool chowned = false;
  if (st.st_uid != original.Owner || st.st_gid != original.Group) {
    const uid_t uid = st.st_uid != original.Owner ? original.Owner : static_cast<uid_t>(-1);
    const gid_t gid = st.st_gid != original.Group ? original.Group : static_cast<gid_t>(-1);
    if (::fchown(fd, uid, gid) != 0) {
      throw EFileError("Cannot keep the owner and group of \"" + path + "\" (" +
                       std::to_string(original.Owner) + ":" + std::to_string(original.Group) +
                       "). " + Reason(errno) + "; it was left as it was");
    }
    chowned = true;
  }
  const mode_t mode = static_cast<mode_t>(original.Permissions);
  if (!chowned && (st.st_mode & 07777) == mode) return;
  // fchmod may drop the set-group bit silently (a group the process is not in): read back.
  if (::fchmod(fd, mode) != 0 || ::fstat(fd, &st) != 0 || (st.st_mode & 07777) != mode) {
    const int err = errno;
    char octal[16];
    std::snprintf(octal, sizeof octal, "%04o", original.Permissions);
    throw EFileError("Cannot keep the permissions of \"" + path + "\" (" + octal + ")" +
                     (err != 0 ? ". " + Reason(err) : std::string()) + "; it was left as it was");
  }
}

}  // namespace

bool SameFileVersion(const TFileStatus& a, const TFileStatus& b) {
  return a.Device == b.Device && a.Inode == b.Inode && a.Size == b.Size &&
         a.ModifiedNs == b.ModifiedNs;
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileInto(path, bytes);
  return bytes;
}

void ReadFileInto(const std::string& path, std::string& bytes, TFileStatus* status,
                  TFileKinds kinds) {
  // The buffer's old bytes are read over, not cleared first, so that only a buffer that grows
  // gets zero-filled by resize; a failure leaves it empty.
  const auto fail = [&](const std::string& reason) {
    bytes.clear();
    ThrowOpen(path, reason);
  };
  int flags = O_RDONLY | O_CLOEXEC;
  // Only a regular file of that name: the open follows no link and never waits (a pipe would wait
  // for a writer), and what it opened is looked at before anything is read. Folder scans pass over
  // devices, so only one named by the user is ever opened here.
  if (kinds == TFileKinds::RegularOnly) flags |= O_NOFOLLOW | O_NONBLOCK;
  TFd fd(::open(path.c_str(), flags));
  if (fd.Get() < 0) {
    const int err = errno;
    if (err == ELOOP && kinds == TFileKinds::RegularOnly) fail("It is " + KindOf(S_IFLNK));
    fail(Reason(err));
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) fail(Reason(errno));
  if (S_ISDIR(st.st_mode)) fail(Reason(EISDIR));
  if (kinds == TFileKinds::RegularOnly && !S_ISREG(st.st_mode)) fail("It is " + KindOf(st.st_mode));
  if (status) *status = StatusOf(st);
  // Read straight into the buffer; the size is a hint only, the file may change while it is read.
  std::size_t filled = 0;
  try {
    bytes.resize(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
    for (;;) {
      if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
      const ssize_t n = ::read(fd.Get(), bytes.data() + filled, bytes.size() - filled);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        bytes.clear();
        throw EFileError("Cannot read file \"" + path + "\". " + Reason(err));
      }
      filled += static_cast<std::size_t>(n);
      // A regular file reads short only at its end, so a read that did not fill the buffer
      // (which is one byte larger than the file) has seen the end.
      if (S_ISREG(st.st_mode) && filled < bytes.size()) break;
    }
  } catch (const std::bad_alloc&) {
    std::string().swap(bytes);
    throw EFileError("Cannot read file \"" + path + "\". It is too large to be held in memory (" +
                     std::to_string(static_cast<long long>(st.st_size)) + " bytes)");
  } catch (const std::length_error&) {
    std::string().swap(bytes);
    throw EFileError("Cannot read file \"" + path + "\". It is too large to be held in memory (" +
                     std::to_string(static_cast<long long>(st.st_size)) + " bytes)");
  }
  bytes.resize(filled);
}

std::optional<TFileStatus> EntryStatus(const std::string& path, bool* isRegular) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  if (isRegular) *isRegular = S_ISREG(st.st_mode);
  return StatusOf(st);
}

namespace {

// Position of the extension's "." in path, or npos when the file name has none.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
  const std::size_t dot = path.rfind('.');
  return dot != std::string::npos && dot >= nameStart ? dot : std::string::npos;
}

}  // namespace

std::string ExtractFileName(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
  return path.substr(0, ExtensionDot(path)) + extension;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool SyncFolder(const std::string& folder) {
  TFd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  return ::fsync(fd.Get()) == 0 && fd.Close() == 0;
}

TFileReplacement::TFileReplacement(const std::string& path, const std::string& bytes,
                                   TDiskSync sync, const TFileStatus* original)
    : Path(path) {
  // A new file takes the owner, group and permissions of the one it replaces.
  std::optional<TFileStatus> replaced;
  bool nothingThere = false;
  if (original) {
    Original = *original;
    replaced = *original;
  } else {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
      replaced = StatusOf(st);
    } else {
      // Only a name that is surely free (or a link to nothing) has no old content to lose.
      nothingThere = errno == ENOENT;
    }
  }
  SyncToDisk = sync == TDiskSync::Always || (sync == TDiskSync::WhenReplacing && !nothingThere);
  const mode_t mode = replaced ? static_cast<mode_t>(replaced->Permissions) : 0666;
  TFd fd(CreateTemporaryBeside(path, TempPath, mode));
  try {
    if (replaced) KeepOwnerAndMode(fd.Get(), *replaced, path);
    WriteAll(fd.Get(), bytes.data(), bytes.size(), path);
    if ((SyncToDisk && ::fsync(fd.Get()) != 0) || fd.Close() != 0) ThrowWrite(path, errno);
  } catch (...) {
    fd.Close();
    ::unlink(TempPath.c_str());
    TempPath.clear();
    throw;
  }
}

TFileReplacement::~TFileReplacement() {
  if (!TempPath.empty()) ::unlink(TempPath.c_str());
}

void TFileReplacement::CheckUnchanged(const std::optional<TFileStatus>& now) const {
  if (Original && (!now || !SameFileVersion(*now, *Original))) throw EFileError(ChangedDuringRun);
}

void TFileReplacement::Commit() {
  if (Original) CheckUnchanged(EntryStatus(Path));
  if (::rename(TempPath.c_str(), Path.c_str()) != 0) ThrowWrite(Path, errno);
  TempPath.clear();
}

std::string TFileReplacement::CopyOldFile() const {
  TFd in(::open(Path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.Get() < 0) {
    if (errno == ENOENT || errno == ELOOP) throw EFileError(ChangedDuringRun);
    throw EFileError("Cannot read file \"" + Path + "\". " + Reason(errno));
  }
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0) {
    throw EFileError("Cannot read file \"" + Path + "\". " + Reason(errno));
  }
  const TFileStatus status = StatusOf(st);
  CheckUnchanged(status);
  std::string copyPath;
  TFd out(CreateTemporaryBeside(Path, copyPath, static_cast<mode_t>(status.Permissions)));
  try {
    KeepOwnerAndMode(out.Get(), status, Path);
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        throw EFileError("Cannot read file \"" + Path + "\". " + Reason(errno));
      }
      WriteAll(out.Get(), buffer, static_cast<std::size_t>(n), copyPath);
    }
    if ((SyncToDisk && ::fsync(out.Get()) != 0) || out.Close() != 0) ThrowWrite(copyPath, errno);
  } catch (...) {
    out.Close();
    ::unlink(copyPath.c_str());
    throw;
  }
  return copyPath;
}

namespace {

// File systems without hard links answer link() with one of these.
bool LinksUnsupported(int err) {
  return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK;
}

// Moves from to a name at which nothing exists; fails with EEXIST when something does. Where the
// file system has no rename that refuses to replace, the name is claimed by creating it
// exclusively and the file then moved over that claim.
int RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) return -1;
  const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  ::close(fd);
  if (::rename(from.c_str(), to.c_str()) == 0) return 0;
  const int err = errno;
  ::unlink(to.c_str());
  errno = err;
  return -1;
}

// Writes bytes as a new file at path: through a temporary file beside it, which takes the name
// only while nothing is there. Returns false, with nothing changed, when something is at path.
// The content is not flushed to the disk first: a new file has no old content to lose.
bool WriteNewFile(const std::string& path, const std::string& bytes) {
  std::string tempPath;
  TFd fd(CreateTemporaryBeside(path, tempPath, 0666));
  try {
    WriteAll(fd.Get(), bytes.data(), bytes.size(), path);
    if (fd.Close() != 0) ThrowWrite(path, errno);
  } catch (...) {
    fd.Close();
    ::unlink(tempPath.c_str());
    throw;
  }
  if (RenameWithoutReplacing(tempPath, path) == 0) return true;
  const int err = errno;
  ::unlink(tempPath.c_str());
  if (err == EEXIST) return false;
  ThrowWrite(path, err);
}

// Upper bound on the backup names tried for one file.
constexpr unsigned MaxBackupNames = 10000;

}  // namespace

std::string TFileReplacement::CommitWithFreshBackup(
    const std::function<std::string(unsigned)>& backupName, const TBackupNote& note) {
  std::string backupPath;
  TBackupKind kind = TBackupKind::Linked;
  std::string copyPath;  // without hard links: a complete copy of the old file, not yet named
  const auto dropCopy = [&] {
    if (!copyPath.empty()) ::unlink(copyPath.c_str());
    copyPath.clear();
  };
  try {
    for (unsigned n = 0; n < MaxBackupNames && backupPath.empty(); ++n) {
      std::string candidate = backupName(n);
      if (copyPath.empty()) {
        // One call claims the name and keeps the old file there: link() never replaces an entry.
        if (::link(Path.c_str(), candidate.c_str()) == 0) {
          backupPath = std::move(candidate);
          break;
        }
        const int err = errno;
        if (err == EEXIST) continue;
        if (err == ENOENT && !FileExists(Path)) throw EFileError(ChangedDuringRun);
        if (!LinksUnsupported(err)) {
          throw EFileError("Cannot create backup file \"" + candidate + "\". " + Reason(err));
        }
        // Without hard links the old file stays in place while a copy of it is made; the copy
        // then takes the backup name. So the file is never missing, and the backup is whole
        // whenever it has its name.
        copyPath = CopyOldFile();
      }
      if (note) note(candidate, TBackupKind::Copied);
      if (RenameWithoutReplacing(copyPath, candidate) == 0) {
        backupPath = std::move(candidate);
        kind = TBackupKind::Copied;
        copyPath.clear();
        break;
      }
      const int err = errno;
      if (err == EEXIST) continue;
      throw EFileError("Cannot create backup file \"" + candidate + "\". " + Reason(err));
    }
  } catch (...) {
    dropCopy();
    throw;
  }
  dropCopy();
  if (backupPath.empty()) {
    throw EFileError("Cannot create a backup of \"" + Path + "\": every backup name is taken");
  }
  // The old file stays under its own name (it was never moved), and the claimed name is freed.
  const auto release = [&] { ::unlink(backupPath.c_str()); };
  try {
    if (note && kind == TBackupKind::Linked) note(backupPath, kind);
    // A link of the old file shows it as it is now, also when it was replaced by another file
    // before the link was made; a copy was checked as it was read, so the file itself is looked
    // at once more.
    CheckUnchanged(EntryStatus(kind == TBackupKind::Linked ? backupPath : Path));
  } catch (...) {
    release();
    throw;
  }
  if (::rename(TempPath.c_str(), Path.c_str()) != 0) {
    const int err = errno;
    release();
    ThrowWrite(Path, err);
  }
  TempPath.clear();
  return backupPath;
}

const std::string& TemporaryHost() {
  static const std::string host = SanitizedHostName();
  return host;
}

TTemporaryOwner TemporaryOwner(const std::string& fileName) {
  // "<name>.kvtmp-<host>-<pid>-<number>", with a non-empty name and host and digits in the last
  // two fields.
  static const std::string marker = ".kvtmp-";
  const std::size_t at = fileName.rfind(marker);
  if (at == std::string::npos || at == 0) return {};
  const std::size_t hostStart = at + marker.size();
  const std::size_t lastDash = fileName.rfind('-');
  if (lastDash == std::string::npos || lastDash < hostStart || lastDash + 1 == fileName.size()) {
    return {};
  }
  const std::size_t pidDash = fileName.rfind('-', lastDash - 1);
  if (pidDash == std::string::npos || pidDash <= hostStart || lastDash - pidDash - 1 == 0 ||
      lastDash - pidDash - 1 > 9) {
    return {};
  }
  for (std::size_t i = pidDash + 1; i < fileName.size(); ++i) {
    if (i != lastDash && (fileName[i] < '0' || fileName[i] > '9')) return {};
  }
  TTemporaryOwner owner;
  owner.Host = fileName.substr(hostStart, pidDash - hostStart);
  owner.Pid = std::stol(fileName.substr(pidDash + 1, lastDash - pidDash - 1));
  return owner;
}

std::vector<std::string> RemoveStaleTemporaries(const std::string& folder,
                                                std::optional<long> pid) {
  std::vector<std::string> removed;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return removed;
  const long self = static_cast<long>(::getpid());
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.find(".kvtmp-") == std::string::npos) continue;
    const TTemporaryOwner owner = TemporaryOwner(name);
    // Only this host can tell whether the writer still runs; a process that still runs (or that
    // this one may not signal) may be writing it.
    if (owner.Pid <= 0 || owner.Pid == self || owner.Host != TemporaryHost()) continue;
    if (pid && owner.Pid != *pid) continue;
    if (::kill(static_cast<pid_t>(owner.Pid), 0) == 0 || errno != ESRCH) continue;
    const std::string path = folder.empty()         ? name
                             : folder.back() == '/' ? folder + name
                                                    : folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(path.c_str()) == 0) removed.push_back(path);
  }
  ::closedir(dir);
  return removed;
}

std::vector<std::string> RemoveStaleTemporariesBeside(const std::vector<std::string>& paths) {
  std::set<std::string> folders;
  for (const auto& path : paths) folders.insert(FolderOf(path));
  std::vector<std::string> removed;
  for (const auto& folder : folders) {
    for (auto& path : RemoveStaleTemporaries(folder)) removed.push_back(std::move(path));
  }
  return removed;
}

void WriteFileSafely(const std::string& path, const std::string& bytes, bool syncToDisk) {
  TFileReplacement(path, bytes, syncToDisk).Commit();
}

void WriteFileSafely(const std::string& path, const std::string& bytes, TDiskSync sync) {
  // Most files written this way are new: they are written without first asking what is there.
  if (sync == TDiskSync::WhenReplacing && WriteNewFile(path, bytes)) return;
  TFileReplacement(path, bytes, sync).Commit();
}

}  // namespace kv
