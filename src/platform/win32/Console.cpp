// The console on Windows: whether the standard handles reach a console window, and its output
// code page.
#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/win32/Win32.h"

namespace kv::os {

namespace {

HANDLE StandardHandle(TStandardStream stream) {
  switch (stream) {
    case TStandardStream::Input:
      return GetStdHandle(STD_INPUT_HANDLE);
    case TStandardStream::Output:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    case TStandardStream::Error:
      return GetStdHandle(STD_ERROR_HANDLE);
  }
  return INVALID_HANDLE_VALUE;
}

// A character device is a console only when it has a console mode (NUL has none).
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

}  // namespace

bool IsTerminal(TStandardStream stream) {
  return IsConsole(StandardHandle(stream));
}

bool OutputAndErrorShareAFile() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (output == error) return true;
  const DWORD outputType = GetFileType(output);
  const DWORD errorType = GetFileType(error);
  if (outputType == FILE_TYPE_UNKNOWN || errorType == FILE_TYPE_UNKNOWN) return true;
  if (outputType != errorType) return false;
  // Two files on disk are one when their volume and file index are; pipes and consoles cannot be
  // told apart from here.
  if (outputType != FILE_TYPE_DISK) return true;
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  if (!GetFileInformationByHandle(output, &a) || !GetFileInformationByHandle(error, &b)) {
    return true;
  }
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// The standard streams also go to binary mode: the program writes its own line ends (CR LF where
// a file has them), which the C library's text mode would otherwise double to CR CR LF.
void UseUtf8Console() {
  SetConsoleOutputCP(CP_UTF8);
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace kv::os
