// Paths on POSIX: a path's bytes are its name, "/" alone separates its parts.
#include "platform/Path.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace kv::os {

std::filesystem::path ToPath(std::string_view utf8) {
  return std::filesystem::path(std::string(utf8));
}

std::string ToUtf8(const std::filesystem::path& path) {
  return path.string();
}

bool IsAbsolute(std::string_view path) {
  return !path.empty() && path[0] == '/';
}

std::size_t FileNameStart(std::string_view path) {
  return path.find_last_of('/') + 1;  // npos + 1 == 0
}

std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !IsSeparator(path.back())) path += Separator();
  path += name;
  return path;
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return buffer.c_str();
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result = resolved;
  ::free(resolved);
  return result;
}

}  // namespace kv::os
