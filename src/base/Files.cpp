// Whole-file reading and crash-safe file replacement (POSIX).
#include "base/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "base/Errors.h"

namespace kv {

namespace {

std::string Reason(int err) {
  return std::strerror(err);
}

[[noreturn]] void ThrowOpen(const std::string& path, int err) {
  throw EFileError("Cannot open file \"" + path + "\". " + Reason(err));
}

[[noreturn]] void ThrowCreate(const std::string& path, int err) {
  throw EFileError("Cannot create file \"" + path + "\". " + Reason(err));
}

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

// The file-creation mask as the kernel reports it in the "Umask:" line of /proc/self/status,
// which reading leaves untouched; -1 when that line cannot be read.
long UmaskFromProcStatus() {
  TFd fd(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return -1;
  std::string status;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    status.append(buffer, static_cast<std::size_t>(n));
  }
  const std::string key = "\nUmask:";
  const std::size_t at = status.find(key);
  if (at == std::string::npos) return -1;
  const char* const digits = status.c_str() + at + key.size();
  char* end = nullptr;
  errno = 0;
  const unsigned long mask = std::strtoul(digits, &end, 8);
  if (end == digits || errno != 0 || mask > 0777 || (*end != '\n' && *end != '\0')) return -1;
  return static_cast<long>(mask);
}

// The process's file-creation mask, read once. umask() can only be read by setting it, so that
// way is taken only when /proc cannot tell, and then while the program loads (below), before any
// thread of it exists that could create a file under the mask set for the moment.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    const long fromProc = UmaskFromProcStatus();
    if (fromProc >= 0) return static_cast<mode_t>(fromProc);
    const mode_t old = ::umask(022);
    ::umask(old);
    return old;
  }();
  return mask;
}
[[maybe_unused]] const mode_t UmaskAtLoad = ProcessUmask();

// Creates a new file beside path with a unique name and the given permission bits; returns its
// descriptor and name.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  static const long pid = static_cast<long>(::getpid());
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".kvtmp-" + std::to_string(pid) + "-" +
               std::to_string((stamp + counter++) % 1000000007ULL);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) ThrowCreate(path, errno);
  }
  ThrowCreate(path, EEXIST);
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EFileError("Cannot write file \"" + path + "\". " + Reason(errno));
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileInto(path, bytes);
  return bytes;
}

void ReadFileInto(const std::string& path, std::string& bytes, unsigned* permissions) {
  // The buffer's old bytes are read over, not cleared first, so that only a buffer that grows
  // gets zero-filled by resize; a failure leaves it empty.
  const auto fail = [&](int err) {
    bytes.clear();
    ThrowOpen(path, err);
  };
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) fail(errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) fail(errno);
  if (S_ISDIR(st.st_mode)) fail(EISDIR);
  if (permissions) *permissions = static_cast<unsigned>(st.st_mode & 07777);
  // Read straight into the buffer; the size is a hint only, the file may change while it is read.
  std::size_t filled = 0;
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
    // A regular file reads short only at its end, so a read that did not fill the buffer (which
    // is one byte larger than the file) has seen the end.
    if (S_ISREG(st.st_mode) && filled < bytes.size()) break;
  }
  bytes.resize(filled);
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

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

TFileReplacement::TFileReplacement(const std::string& path, const std::string& bytes,
                                   bool syncToDisk, std::optional<unsigned> permissions)
    : Path(path) {
  // A new file takes the permissions of the one it replaces; the creation mask may strip some.
  bool replacing = permissions.has_value();
  mode_t mode = permissions ? static_cast<mode_t>(*permissions & 07777) : 0666;
  if (!permissions) {
    struct stat st {};
    replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing) mode = st.st_mode & 07777;
  }
  TFd fd(CreateTemporaryBeside(path, TempPath, mode));
  try {
    if (replacing && (mode & ProcessUmask()) != 0) ::fchmod(fd.Get(), mode);
    WriteAll(fd.Get(), bytes, path);
    if ((syncToDisk && ::fsync(fd.Get()) != 0) || fd.Close() != 0) {
      throw EFileError("Cannot write file \"" + path + "\". " + Reason(errno));
    }
  } catch (...) {
    fd.Close();
    ::unlink(TempPath.c_str());
    throw;
  }
}

TFileReplacement::~TFileReplacement() {
  if (!TempPath.empty()) ::unlink(TempPath.c_str());
}

void TFileReplacement::Commit(const std::string& backupPath) {
  if (!backupPath.empty()) {
    // The rename replaces an older backup of that name in one step.
    if (::rename(Path.c_str(), backupPath.c_str()) != 0) {
      throw EFileError("Cannot rename \"" + Path + "\" to \"" + backupPath + "\". " +
                       Reason(errno));
    }
  }
  if (::rename(TempPath.c_str(), Path.c_str()) != 0) {
    const int err = errno;
    // Put the original back under its own name before reporting.
    if (!backupPath.empty()) ::rename(backupPath.c_str(), Path.c_str());
    throw EFileError("Cannot write file \"" + Path + "\". " + Reason(err));
  }
  TempPath.clear();
}

namespace {

// File systems without hard links answer link() with one of these.
bool LinksUnsupported(int err) {
  return err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS || err == EMLINK;
}

// Upper bound on the backup names tried for one file.
constexpr unsigned MaxBackupNames = 10000;

}  // namespace

std::string TFileReplacement::CommitWithFreshBackup(
    const std::function<std::string(unsigned)>& backupName,
    const std::function<void(const std::string&)>& onClaimed) {
  std::string backupPath;
  bool linked = false;
  for (unsigned n = 0; n < MaxBackupNames && backupPath.empty(); ++n) {
    std::string candidate = backupName(n);
    // One call claims the name and keeps the old file there: link() never replaces an entry.
    if (::link(Path.c_str(), candidate.c_str()) == 0) {
      backupPath = std::move(candidate);
      linked = true;
      break;
    }
    int err = errno;
    if (LinksUnsupported(err)) {
      // Without hard links, the name is claimed by creating it exclusively; the old file then
      // takes the claimed (empty) file's place.
      const int fd =
          ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd >= 0) {
        ::close(fd);
        if (::rename(Path.c_str(), candidate.c_str()) != 0) {
          err = errno;
          ::unlink(candidate.c_str());
          throw EFileError("Cannot rename \"" + Path + "\" to \"" + candidate + "\". " +
                           Reason(err));
        }
        backupPath = std::move(candidate);
        break;
      }
      err = errno;
    }
    if (err == EEXIST) continue;
    throw EFileError("Cannot create backup file \"" + candidate + "\". " + Reason(err));
  }
  if (backupPath.empty()) {
    throw EFileError("Cannot create a backup of \"" + Path + "\": every backup name is taken");
  }
  // The original stays (or is put back) under its own name, and the claimed name is freed.
  const auto release = [&] {
    if (linked) {
      ::unlink(backupPath.c_str());
    } else {
      ::rename(backupPath.c_str(), Path.c_str());
    }
  };
  if (onClaimed) {
    try {
      onClaimed(backupPath);
    } catch (...) {
      release();
      throw;
    }
  }
  if (::rename(TempPath.c_str(), Path.c_str()) != 0) {
    const int err = errno;
    release();
    throw EFileError("Cannot write file \"" + Path + "\". " + Reason(err));
  }
  TempPath.clear();
  return backupPath;
}

long TemporaryOwner(const std::string& fileName) {
  // "<name>.kvtmp-<pid>-<number>", with a non-empty name and only digits after the marker.
  static const std::string marker = ".kvtmp-";
  const std::size_t at = fileName.rfind(marker);
  if (at == std::string::npos || at == 0) return 0;
  const std::size_t pidStart = at + marker.size();
  const std::size_t dash = fileName.find('-', pidStart);
  if (dash == std::string::npos || dash == pidStart || dash - pidStart > 9 ||
      dash + 1 == fileName.size()) {
    return 0;
  }
  for (std::size_t i = pidStart; i < fileName.size(); ++i) {
    if (i != dash && (fileName[i] < '0' || fileName[i] > '9')) return 0;
  }
  return std::stol(fileName.substr(pidStart, dash - pidStart));
}

std::vector<std::string> RemoveStaleTemporaries(const std::string& folder) {
  std::vector<std::string> removed;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return removed;
  const long self = static_cast<long>(::getpid());
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.find(".kvtmp-") == std::string::npos) continue;
    const long owner = TemporaryOwner(name);
    // A process that still runs (or that this one may not signal) may be writing it.
    if (owner <= 0 || owner == self) continue;
    if (::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH) continue;
    const std::string path =
        folder.empty() ? name : folder.back() == '/' ? folder + name : folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(path.c_str()) == 0) removed.push_back(path);
  }
  ::closedir(dir);
  return removed;
}

void WriteFileSafely(const std::string& path, const std::string& bytes,
                     const std::string& backupPath, bool syncToDisk) {
  TFileReplacement(path, bytes, syncToDisk).Commit(backupPath);
}

}  // namespace kv
