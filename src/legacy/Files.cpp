// Whole-file reading and crash-safe file replacement (POSIX).
#include "legacy/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "legacy/Errors.h"

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

// Creates a new file beside path with a unique name; returns its descriptor and name.
int CreateTemporaryBeside(const std::string& path, std::string& tempPath) {
  static std::atomic<unsigned> counter{0};
  const auto stamp =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempPath = path + ".kvtmp-" + std::to_string(::getpid()) + "-" +
               std::to_string((stamp + counter++) % 1000000007ULL);
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

void ReadFileInto(const std::string& path, std::string& bytes) {
  bytes.clear();
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) ThrowOpen(path, errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) ThrowOpen(path, errno);
  if (S_ISDIR(st.st_mode)) ThrowOpen(path, EISDIR);
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
  }
  bytes.resize(filled);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

void WriteFileSafely(const std::string& path, const std::string& bytes,
                     const std::string& backupPath, bool syncToDisk) {
  std::string tempPath;
  TFd fd(CreateTemporaryBeside(path, tempPath));
  try {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd.Get(), st.st_mode & 07777);
    WriteAll(fd.Get(), bytes, path);
    if ((syncToDisk && ::fsync(fd.Get()) != 0) || fd.Close() != 0) {
      throw EFileError("Cannot write file \"" + path + "\". " + Reason(errno));
    }
    if (!backupPath.empty()) {
      if (::unlink(backupPath.c_str()) != 0 && errno != ENOENT) {
        throw EFileError("Cannot replace backup file \"" + backupPath + "\". " + Reason(errno));
      }
      if (::rename(path.c_str(), backupPath.c_str()) != 0) {
        throw EFileError("Cannot rename \"" + path + "\" to \"" + backupPath + "\". " +
                         Reason(errno));
      }
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
      const int err = errno;
      // Put the original back under its own name before reporting.
      if (!backupPath.empty()) ::rename(backupPath.c_str(), path.c_str());
      throw EFileError("Cannot write file \"" + path + "\". " + Reason(err));
    }
  } catch (...) {
    fd.Close();
    ::unlink(tempPath.c_str());
    throw;
  }
}

}  // namespace kv
