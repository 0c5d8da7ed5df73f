// Paths at the boundary with the operating system. The program carries paths as UTF-8 strings;
// the system sees them as std::filesystem::path (UTF-16 on Windows). Parts of paths are found
// with the separators of the system, never by cutting at "/" alone.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kv::os {

// A UTF-8 path as the system's path, and back.
std::filesystem::path ToPath(std::string_view utf8);
std::string ToUtf8(const std::filesystem::path& path);

// True for a character that separates the parts of a path: "/" everywhere, "\" on Windows too.
constexpr bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

// The separator the system writes between a folder and a name.
constexpr char Separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

// True when path names a place from the root ("/x" here; "C:\x", "\\server\share\x" on Windows).
bool IsAbsolute(std::string_view path);

// Index of the first character of the file name in path (after the last separator, and after
// a drive's colon on Windows).
std::size_t FileNameStart(std::string_view path);

// folder + separator + name, without doubling a separator; name alone when folder is empty.
std::string Join(std::string_view folder, std::string_view name);

// The working folder, as UTF-8; empty when it cannot be told.
std::string CurrentFolder();

// The path with every link resolved and made absolute; empty when it does not exist.
std::string RealPath(const std::string& path);

}  // namespace kv::os
