// This process and others on Windows: ids, the computer's name, the environment, the program's
// own file, the user's folders, and the console's requests to stop.
#include "platform/Process.h"

#include <signal.h>

#include <atomic>
#include <vector>

#include "platform/Path.h"
#include "platform/win32/Win32.h"

#include <shellapi.h>

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

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  // The command line is split as the C runtime split argv; when the two disagree on the count,
  // argv is the safer guide.
  if (wide == nullptr || count != argc) {
    if (wide != nullptr) LocalFree(wide);
    return std::vector<std::string>(argv, argv + argc);
  }
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
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
bool IsSystemProgramFolder(const std::string& folder) {
  // Full paths in the system's form, compared without regard to letter case as Windows names are.
  const auto full = [](const std::wstring& path) {
    std::wstring name = win32::WithoutLongPrefix(path);
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size != 0) {
      std::wstring buffer(size, L'\0');
      const DWORD length = GetFullPathNameW(name.c_str(), size, buffer.data(), nullptr);
      if (length != 0 && length < size) name.assign(buffer.data(), length);
    }
    while (name.size() > 3 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
  };
  const std::wstring path = full(win32::Wide(folder));
  for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
    const std::optional<std::string> value = Environment(variable);
    if (!value || value->empty()) continue;
    const std::wstring system = full(win32::Wide(*value));
    if (path.size() >= system.size() && path.compare(0, system.size(), system) == 0 &&
        (path.size() == system.size() || path[system.size()] == L'\\')) {
      return true;
    }
  }
  return false;
}

std::string StateFolderInHelp(const std::string& below) {
  std::string folder = "%LOCALAPPDATA%\\" + below;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder;
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
