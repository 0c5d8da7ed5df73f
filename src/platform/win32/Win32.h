// What the Win32 side of the platform layer shares between its sources: UTF-8 and UTF-16 text,
// paths as the Win32 calls take them, errors from Windows error codes, and handles closed on
// every path. Nothing outside src/platform/win32 includes this header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/Error.h"

namespace kv::os::win32 {

// UTF-8 to UTF-16 and back. Names on Windows may hold a lone surrogate (the file system takes any
// 16-bit units); such a unit travels as its three-byte generalized UTF-8 form, so that a name read
// from a listing names the same file again. Bytes that form no character become U+FFFD.
std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The path as the Win32 file calls take it. A path whose full form is MAX_PATH - 12 (248)
// characters or longer, the limit of CreateDirectoryW, is made absolute with GetFullPathNameW
// (which also turns "/" into "\" and resolves "." and "..") and given the "\\?\" prefix, which
// lifts the limit; shorter paths are handed over as they are, so that they are read by the
// system's usual rules.
std::wstring SystemPath(const std::string& utf8);
// A path the system gave back, without the "\\?\" (or "\\?\UNC\") prefix it may carry.
std::wstring WithoutLongPrefix(std::wstring path);

// The error of a Windows error code, with the system's words for it.
TError ErrorOf(DWORD code);
// The error of a Windows error code with another kind (a code whose meaning depends on the call).
TError ErrorOf(DWORD code, TErrorKind kind);

// A handle closed when it goes.
class THandle {
 public:
  THandle() = default;
  explicit THandle(HANDLE handle) : Value(handle) {}
  ~THandle() { Reset(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  bool Valid() const { return Value != INVALID_HANDLE_VALUE && Value != nullptr; }
  HANDLE Get() const { return Value; }
  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (Valid()) CloseHandle(Value);
    Value = handle;
  }

 private:
  HANDLE Value = INVALID_HANDLE_VALUE;
};

// Opens path with CreateFileW, sharing reading, writing and deleting with everyone so that the
// program never blocks another one.
HANDLE OpenShared(const std::string& path, DWORD access, DWORD disposition, DWORD flags);

// True when a reparse point of this tag stands for another name (a symbolic link, a junction),
// as opposed to one that keeps a file's data elsewhere (cloud files, deduplication).
bool IsLinkTag(DWORD tag);

// FILETIME (100 ns since 1601) as nanoseconds since the Unix epoch.
long long UnixNanoseconds(const FILETIME& time);

}  // namespace kv::os::win32
