// Errors of the Win32 calls: the kind the program acts on, the Windows error code, and the
// system's words for it in UTF-8 (English where the system has them).
#include "platform/Error.h"

#include "platform/win32/Win32.h"

namespace kv::os {

namespace win32 {

namespace {

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers lack.
constexpr DWORD DiskQuotaExceeded = 1295;

TErrorKind KindOf(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS:
      return TErrorKind::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_NOT_READY:
      return TErrorKind::NotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return TErrorKind::Exists;
    case ERROR_DIRECTORY:
      return TErrorKind::NotFolder;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
      return TErrorKind::Denied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return TErrorKind::InUse;
    case ERROR_TOO_MANY_LINKS:
      return TErrorKind::LinksUnsupported;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
      return TErrorKind::Unsupported;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case DiskQuotaExceeded:
      return TErrorKind::NoSpace;
    default:
      return TErrorKind::Other;
  }
}

// FormatMessageW's text of a code, in English when the system has that language, else in the
// user's; without the line break and the full stop it ends with, so that it reads inside a line.
std::string TextOf(DWORD code) {
  const DWORD flags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  wchar_t buffer[1024];
  DWORD length = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                buffer, sizeof buffer / sizeof buffer[0], nullptr);
  if (length == 0) {
    length =
        FormatMessageW(flags, nullptr, code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  }
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) return "Windows error " + std::to_string(code);
  return Narrow(text);
}

}  // namespace

TError ErrorOf(DWORD code) {
  return ErrorOf(code, KindOf(code));
}

TError ErrorOf(DWORD code, TErrorKind kind) {
  TError error;
  error.Kind = kind;
  error.Code = static_cast<long>(code);
  if (code != ERROR_SUCCESS) error.Text = TextOf(code);
  // The system's words ("The process cannot access the file because it is being used by another
  // process") do not say what to do; most often the IDE holds the unit open.
  if (kind == TErrorKind::InUse) {
    error.Text += " (another program holds the file open; close it there, then run again)";
  }
  return error;
}

}  // namespace win32

// A Windows error whose words say what the kind means.
TError ErrorOfKind(TErrorKind kind) {
  // ERROR_DIRECTORY_NOT_SUPPORTED, ERROR_STOPPED_ON_SYMLINK and ERROR_IO_DEVICE by number, which
  // not every mingw-w64 header names.
  constexpr DWORD DirectoryNotSupported = 336;
  constexpr DWORD StoppedOnLink = 681;
  constexpr DWORD DeviceError = 1117;
  switch (kind) {
    case TErrorKind::None:
      return TError{};
    case TErrorKind::NotFound:
      return win32::ErrorOf(ERROR_FILE_NOT_FOUND);
    case TErrorKind::Exists:
      return win32::ErrorOf(ERROR_FILE_EXISTS);
    case TErrorKind::IsLink:
      return win32::ErrorOf(StoppedOnLink, kind);
    case TErrorKind::IsFolder:
      return win32::ErrorOf(DirectoryNotSupported, kind);
    case TErrorKind::NotFolder:
      return win32::ErrorOf(ERROR_DIRECTORY);
    case TErrorKind::Denied:
      return win32::ErrorOf(ERROR_ACCESS_DENIED);
    case TErrorKind::InUse:
      return win32::ErrorOf(ERROR_SHARING_VIOLATION);
    case TErrorKind::LinksUnsupported:
      return win32::ErrorOf(ERROR_NOT_SUPPORTED, kind);
    case TErrorKind::Unsupported:
      return win32::ErrorOf(ERROR_NOT_SUPPORTED);
    case TErrorKind::NoSpace:
      return win32::ErrorOf(ERROR_DISK_FULL);
    case TErrorKind::NoSuchProcess:
      return win32::ErrorOf(ERROR_NOT_FOUND, kind);
    case TErrorKind::Other:
      break;
  }
  return win32::ErrorOf(DeviceError, TErrorKind::Other);
}

// A failed call that left no code is still a failure, never taken for success.
TError LastError() {
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS) return TError{TErrorKind::Other, 0, "unknown error"};
  return win32::ErrorOf(code);
}

}  // namespace kv::os
