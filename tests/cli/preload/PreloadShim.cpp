// A library that the command-line tests load into kv3conv with LD_PRELOAD, to put it on a file
// system it cannot otherwise be run on here, and to watch the order of its steps:
//   KV_TEST_NO_HARD_LINKS=1  link() and linkat() fail with EPERM, as on file systems without hard
//                            links (FAT, exFAT, many network shares); =N: with the error number N
//                            (under Wine, ESPIPE reaches the Windows program as the
//                            ERROR_INVALID_FUNCTION that FAT volumes answer on Windows);
//   KV_TEST_SYNC_LOG=FILE    each flush (fsync, fdatasync: "sync <path>"), each rename
//                            ("rename <from> <to>") and each write to a journal ("journal <text>")
//                            is appended to FILE as one line, in the order they happen.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

namespace {

// The error number link() fails with; 0 when links work.
int NoHardLinks() {
  static const int error = [] {
    const char* value = getenv("KV_TEST_NO_HARD_LINKS");
    if (value == nullptr || value[0] == '\0') return 0;
    const int number = atoi(value);
    return number <= 1 ? EPERM : number;
  }();
  return error;
}

// The log's descriptor, opened once; -1 when no log is asked for.
int LogFd() {
  static const int fd = [] {
    const char* path = getenv("KV_TEST_SYNC_LOG");
    if (path == nullptr || path[0] == '\0') return -1;
    return static_cast<int>(
        syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  }();
  return fd;
}

// Appends one line with a raw system call, so that the log never goes through the functions it
// watches.
void Log(const std::string& line) {
  const std::string text = line + "\n";
  syscall(SYS_write, LogFd(), text.data(), text.size());
}

std::string PathOf(int fd) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int link(const char* from, const char* to) {
  if (NoHardLinks() != 0) {
    errno = NoHardLinks();
    return -1;
  }
  static const auto next = Next<int (*)(const char*, const char*)>("link");
  return next(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
  if (NoHardLinks() != 0) {
    errno = NoHardLinks();
    return -1;
  }
  static const auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  return next(fromDir, from, toDir, to, flags);
}

int fsync(int fd) {
  if (LogFd() >= 0) Log("sync " + PathOf(fd));
  static const auto next = Next<int (*)(int)>("fsync");
  return next(fd);
}

int fdatasync(int fd) {
  if (LogFd() >= 0) Log("sync " + PathOf(fd));
  static const auto next = Next<int (*)(int)>("fdatasync");
  return next(fd);
}

int rename(const char* from, const char* to) {
  static const auto next = Next<int (*)(const char*, const char*)>("rename");
  const int rc = next(from, to);
  if (rc == 0 && LogFd() >= 0) Log(std::string("rename ") + from + " " + to);
  return rc;
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
  static const auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  const int rc = next(fromDir, from, toDir, to, flags);
  if (rc == 0 && LogFd() >= 0) Log(std::string("rename ") + from + " " + to);
  return rc;
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (LogFd() >= 0 && fd > 2 && fd != LogFd() && PathOf(fd).find(".journal") != std::string::npos) {
    std::string text(static_cast<const char*>(data), size);
    for (char& c : text) {
      if (c == '\n') c = '|';
    }
    Log("journal " + text);
  }
  return next(fd, data, size);
}

}  // extern "C"
