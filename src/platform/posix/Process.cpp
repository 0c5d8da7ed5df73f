// This process and others on POSIX: process ids, the host name, the environment with the XDG
// folders, the program's file from /proc, signals that ask a run to stop.
#include "platform/Process.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>
#include <system_error>
#include <thread>

#include "platform/Path.h"

namespace kv::os {

namespace {

// base without the separators at its end (a root stays).
std::string WithoutTrailingSeparators(std::string base) {
  while (base.size() > 1 && IsSeparator(base.back())) base.pop_back();
  return base;
}

}  // namespace

long CurrentProcessId() {
  return static_cast<long>(::getpid());
}

bool ProcessRuns(long pid) {
  // 0 and negative values name process groups, not a process.
  if (pid <= 0) return false;
  // Signal 0 only asks whether the process exists; a process this one may not signal exists too.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string ExecutablePath() {
  std::string path(4096, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    if (path.size() >= (1u << 16)) return {};
    path.resize(path.size() * 2);
  }
}

std::string StateHome() {
  // A relative XDG_STATE_HOME is to be ignored, like an unset one.
  if (const auto state = Environment("XDG_STATE_HOME"); state && IsAbsolute(*state)) {
    return WithoutTrailingSeparators(*state);
  }
  const auto home = Environment("HOME");
  return WithoutTrailingSeparators((home && !home->empty() ? *home : std::string(".")) +
                                   "/.local/state");
}

bool IsSystemProgramFolder(const std::string& folder) {
  std::string path = std::filesystem::path(folder).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const char* system :
       {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/local/bin", "/usr/local/sbin"}) {
    if (path == system) return true;
  }
  return false;
}

std::string StateFolderInHelp(const std::string& below) {
  return "$XDG_STATE_HOME/" + below + "\n(~/.local/state/" + below +
         " when XDG_STATE_HOME is not set)";
}

std::string ConfigHome() {
  if (const auto config = Environment("XDG_CONFIG_HOME"); config && !config->empty()) {
    return WithoutTrailingSeparators(*config);
  }
  if (const auto home = Environment("HOME"); home && !home->empty()) {
    return WithoutTrailingSeparators(*home + "/.config");
  }
  // Without a home folder the settings go to the temporary folder rather than nowhere.
  std::error_code ec;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  return WithoutTrailingSeparators(ec ? std::string("/tmp") : temp.string());
}

bool OnStopRequest(void (*onStop)(int reason)) {
  // The handler gets the signal's number. A second request ends the process at once (the
  // handler is reset once it ran); a call interrupted by the signal goes on.
  struct sigaction action {};
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  bool set = true;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A program started with the hang-up ignored (nohup) is to go on when its terminal closes.
    struct sigaction before {};
    if (signal == SIGHUP && ::sigaction(SIGHUP, nullptr, &before) == 0 &&
        before.sa_handler == SIG_IGN) {
      continue;
    }
    set = ::sigaction(signal, &action, nullptr) == 0 && set;
  }
  return set;
}

void IgnoreBrokenPipe() {
  ::signal(SIGPIPE, SIG_IGN);
}

void Sleep(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::tm LocalTime(std::time_t seconds) {
  std::tm local{};
  if (!::localtime_r(&seconds, &local)) return std::tm{};
  return local;
}

}  // namespace kv::os
