// This process and others on Windows: ids, the computer's name, the environment, the program's
// own file, the user's folders, and the console's requests to stop.
#include "platform/Process.h"

#include <signal.h>

#include <atomic>
#include <vector>

#include "platform/Path.h"
#include "platform/win32/Win32.h"

namespace kv::os {

long CurrentProcessId() {
  return static_cast<long>(GetCurrentProcessId());
}

bool ProcessRuns(long pid) {
  if (pid <= 0) return false;
  const DWORD id = static_cast<DWORD>(pid);
  win32::THandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
  bool canWait = true;
  if (!process.Valid() && GetLastError() == ERROR_ACCESS_DENIED) {
    canWait = false;
    process.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  }
  if (!process.Valid()) {
    // No such process is ERROR_INVALID_PARAMETER; one we may not look at runs.
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process.Get(), &code)) return true;
  if (code != STILL_ACTIVE) return false;
  // A process that ended with the code 259 (STILL_ACTIVE) looks as if it ran; its handle tells.
  return !canWait || WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

namespace {

std::string ComputerName(COMPUTER_NAME_FORMAT format) {
  DWORD size = 0;
  GetComputerNameExW(format, nullptr, &size);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size + 1);
  if (!GetComputerNameExW(format, buffer.data(), &size)) return {};
  return win32::Narrow(std::wstring_view(buffer.data(), size));
}

}  // namespace

std::string HostName() {
  std::string name = ComputerName(ComputerNameDnsHostname);
  if (name.empty()) name = ComputerName(ComputerNameNetBIOS);
  return name;
}

std::optional<std::string> Environment(const char* name) {
  const std::wstring key = win32::Wide(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(key.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      // Set to an empty text is still set.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (length < buffer.size()) return win32::Narrow(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

std::string ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      return win32::Narrow(win32::WithoutLongPrefix(std::wstring(buffer.data(), length)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

namespace {

// The folder a variable names when it is set to an absolute path, else the folder under the
// user's profile that Windows gives it by default; without separators at the end.
std::string UserFolder(const char* variable, const char* underProfile) {
  std::optional<std::string> folder = Environment(variable);
  if (!folder || !IsAbsolute(*folder)) {
    const std::optional<std::string> profile = Environment("USERPROFILE");
    if (!profile || !IsAbsolute(*profile)) return {};
    folder = Join(*profile, underProfile);
  }
  while (folder->size() > 3 && IsSeparator(folder->back())) folder->pop_back();
  return *folder;
}

// The stop callback, fixed when it is set up. A second request does not call it: the console's
// default handling ends the process at once.
std::atomic<void (*)(int)> StopCallback{nullptr};
std::atomic<bool> StopRequested{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  void (*onStop)(int) = StopCallback.load();
  if (onStop == nullptr || StopRequested.exchange(true)) return FALSE;
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      // Both are the user's interrupt, as SIGINT is on Linux (and the exit code 130 with it).
      onStop(SIGINT);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      onStop(SIGTERM);
      // Windows ends the process as soon as this handler returns: wait here (on the console's
      // own thread) so that the run can stop after the file in hand and clean up; the process
      // ends when the program is done, or when Windows stops waiting.
      ::Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::string StateHome() {
  return UserFolder("LOCALAPPDATA", "AppData\\Local");
}
std::string ConfigHome() {
  return UserFolder("APPDATA", "AppData\\Roaming");
}

bool OnStopRequest(void (*onStop)(int reason)) {
  StopCallback.store(onStop);
  return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

// A write to a pipe whose reader is gone fails with ERROR_NO_DATA on Windows; there is no signal.
void IgnoreBrokenPipe() {}

void Sleep(unsigned ms) {
  ::Sleep(ms);
}

std::tm LocalTime(std::time_t seconds) {
  std::tm local{};
  if (localtime_s(&local, &seconds) != 0) return std::tm{};
  return local;
}

}  // namespace kv::os
