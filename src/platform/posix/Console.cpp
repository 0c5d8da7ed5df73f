// The terminal on POSIX: isatty, and the identity of the files behind the standard streams.
#include "platform/Console.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kv::os {

bool IsTerminal(TStandardStream stream) {
  return ::isatty(static_cast<int>(stream)) == 1;
}

bool OutputAndErrorShareAFile() {
  struct stat out {};
  struct stat err {};
  if (::fstat(STDOUT_FILENO, &out) != 0 || ::fstat(STDERR_FILENO, &err) != 0) return true;
  return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
}

void UseUtf8Console() {
  // Terminals take the bytes as they are written.
}

}  // namespace kv::os
