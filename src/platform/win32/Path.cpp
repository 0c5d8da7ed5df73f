// Paths on Windows: UTF-8 in the program, UTF-16 at the system; drive letters, UNC names and both
// separators; paths longer than the classic limit through the "\\?\" prefix.
#include "platform/Path.h"

#include <vector>

#include "platform/win32/Win32.h"

namespace kv::os {

namespace win32 {

std::wstring Wide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  const std::size_t n = utf8.size();
  auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b = byteAt(i);
    if (b < 0x80) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    char32_t cp = 0;
    std::size_t length = 0;
    char32_t least = 0;
    if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1F, length = 2, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0F, length = 3, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      cp = b & 0x07, length = 4, least = 0x10000;
    }
    bool ok = length != 0 && i + length <= n;
    for (std::size_t k = 1; ok && k < length; ++k) {
      const unsigned char c = byteAt(i + k);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Surrogates are taken as they are (a lone one in a name); everything else must be minimal.
    if (!ok || cp < least || cp > 0x10FFFF) {
      out += L'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
    i += length;
  }
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  const std::size_t n = utf16.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = static_cast<char16_t>(utf16[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
      const char32_t low = static_cast<char16_t>(utf16[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

namespace {

// The length from which a path goes to the system with the "\\?\" prefix.
constexpr std::size_t LongPathLength = MAX_PATH - 12;

bool IsSlash(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// A path that the system takes as it is, without its usual rules: "\\?\..." and "\\.\...".
bool IsVerbatim(std::wstring_view path) {
  return path.size() >= 4 && IsSlash(path[0]) && IsSlash(path[1]) &&
         (path[2] == L'?' || path[2] == L'.') && IsSlash(path[3]);
}

std::wstring FullPath(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.size() + MAX_PATH);
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return path;
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

}  // namespace

std::wstring SystemPath(const std::string& utf8) {
  std::wstring path = Wide(utf8);
  if (IsVerbatim(path)) return path;
  const bool relative = !IsAbsolute(utf8);
  if (path.size() < LongPathLength && !relative) return path;
  std::wstring full = FullPath(path);
  if (full.size() < LongPathLength) return path;
  if (IsVerbatim(full)) return full;
  // "\\server\share\x" becomes "\\?\UNC\server\share\x"; "C:\x" becomes "\\?\C:\x".
  if (full.size() >= 2 && IsSlash(full[0]) && IsSlash(full[1])) {
    return L"\\\\?\\UNC\\" + full.substr(2);
  }
  return L"\\\\?\\" + full;
}

std::wstring WithoutLongPrefix(std::wstring path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

}  // namespace win32

using win32::Narrow;
using win32::Wide;

std::filesystem::path ToPath(std::string_view utf8) {
  return std::filesystem::path(Wide(utf8));
}

std::string ToUtf8(const std::filesystem::path& path) {
  return Narrow(path.native());
}

namespace {

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(std::string_view path) {
  return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':';
}

}  // namespace

// "C:\x" and "\\server\share\x" name a place from a root; so does "\x", from the root of the
// working folder's drive, since it never depends on the working folder itself. "C:x" (in the
// working folder of drive C) does not.
bool IsAbsolute(std::string_view path) {
  if (HasDrive(path)) return path.size() >= 3 && IsSeparator(path[2]);
  return !path.empty() && IsSeparator(path[0]);
}

std::size_t FileNameStart(std::string_view path) {
  std::size_t start = HasDrive(path) ? 2 : 0;
  for (std::size_t i = start; i < path.size(); ++i) {
    if (IsSeparator(path[i])) start = i + 1;
  }
  return start;
}

std::string Join(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  std::string joined(folder);
  const bool folderEnds = IsSeparator(folder.back()) || (folder.size() == 2 && HasDrive(folder));
  if (!name.empty() && IsSeparator(name.front())) {
    if (folderEnds) name.remove_prefix(1);
  } else if (!folderEnds) {
    joined += Separator();
  }
  joined += name;
  return joined;
}

std::string CurrentFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) {
      return Narrow(win32::WithoutLongPrefix(std::wstring(buffer.data(), length)));
    }
    buffer.resize(length + 1);
  }
}

std::string RealPath(const std::string& path) {
  // Opened for no access at all (only its name is asked for), following links; a folder needs
  // FILE_FLAG_BACKUP_SEMANTICS to be opened.
  win32::THandle file(win32::OpenShared(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  if (!file.Valid()) return {};
  // Room for the longest path there is (Wine does not tell the size when it has less).
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      GetFinalPathNameByHandleW(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length != 0 && length < buffer.size()) {
    return Narrow(win32::WithoutLongPrefix(std::wstring(buffer.data(), length)));
  }
  // Wine answers ERROR_MORE_DATA for final paths past MAX_PATH whatever the room: take the
  // file's name on its volume from the handle, on the drive or share the path names.
  const std::wstring full = win32::WithoutLongPrefix(win32::SystemPath(path));
  std::vector<wchar_t> root(full.size() + 2);
  std::vector<char> info(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
  auto* name = reinterpret_cast<FILE_NAME_INFO*>(info.data());
  if (!GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size())) ||
      !GetFileInformationByHandleEx(file.Get(), FileNameInfo, name,
                                    static_cast<DWORD>(info.size()))) {
    return {};
  }
  std::wstring result = root.data();
  while (!result.empty() && (result.back() == L'\\' || result.back() == L'/')) result.pop_back();
  result.append(name->FileName, name->FileNameLength / sizeof(wchar_t));
  return Narrow(result);
}

}  // namespace kv::os
