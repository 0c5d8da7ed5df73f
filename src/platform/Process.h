// This process and others: ids, the host, the environment, the program's own file, stop requests.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace kv::os {

long CurrentProcessId();
// True when a process of that id runs on this host (or may run: one this process may not look
// at counts as running).
bool ProcessRuns(long pid);
// The name of this host as the system gives it (UTF-8); empty when unknown.
std::string HostName();
// An environment variable as UTF-8; nullopt when unset.
std::optional<std::string> Environment(const char* name);
// The full path of the running program; empty when unknown.
std::string ExecutablePath();

// Where the program keeps its state (journals): $XDG_STATE_HOME (when absolute) or
// ~/.local/state on Linux, %LOCALAPPDATA% on Windows; and its settings: $XDG_CONFIG_HOME or
// ~/.config, %APPDATA% on Windows. Without separators at the end.
std::string StateHome();
std::string ConfigHome();

// Calls onStop (from a signal handler or the console's control thread, so it may only set an
// atomic flag) when the user asks the program to stop: Ctrl+C, SIGTERM and SIGHUP on Linux (SIGHUP
// not when the program was started with it ignored, as nohup does; onStop gets the signal's
// number); Ctrl+C, Ctrl+Break and closing the console on Windows. Returns false when it cannot be
// set up.
bool OnStopRequest(void (*onStop)(int reason));
// Lets a write to a closed pipe fail with an error instead of ending the process.
void IgnoreBrokenPipe();

// Waits for about ms milliseconds.
void Sleep(unsigned ms);

// The calendar date and time of a moment (seconds since the epoch) in the user's time zone, as
// the system keeps it (TZ and the zone files on Linux, the time zone settings on Windows); all
// fields 0 when the system cannot tell.
std::tm LocalTime(std::time_t seconds);

}  // namespace kv::os
