// This process and others: ids, the host, the environment, the program's own file, stop requests.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace kv::os {

long CurrentProcessId();
// True when a process of that id runs on this host (or may run: one this process may not look
// at counts as running).
bool ProcessRuns(long pid);
// The name of this host as the system gives it (UTF-8); empty when unknown.
std::string HostName();
// An environment variable as UTF-8; nullopt when unset.
std::optional<std::string> Environment(const char* name);
// The program's arguments (argv[0] first) as UTF-8. On Linux they are argv as it came. On Windows
// argv holds them in the ANSI code page, where a name outside it (a unit named in Greek) has lost
// its letters; they are read again from the command line the system keeps in UTF-16.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The full path of the running program; empty when unknown.
std::string ExecutablePath();

// Where the program keeps its state (journals): $XDG_STATE_HOME (when absolute) or
// ~/.local/state on Linux, %LOCALAPPDATA% on Windows; and its settings: $XDG_CONFIG_HOME or
// ~/.config, %APPDATA% on Windows. Without separators at the end.
std::string StateHome();
std::string ConfigHome();
// True for the folders the system installs programs into: /bin, /sbin, /usr/bin, /usr/sbin,
// /usr/local/bin and /usr/local/sbin on Linux; %ProgramFiles%, %ProgramFiles(x86)% and
// %SystemRoot% and what lies below them on Windows (letter case aside). A program there is no
// portable install, even when it may write beside itself (run as root or administrator).
bool IsSystemProgramFolder(const std::string& folder);
// How a folder below the state folder is named in help texts, for example
// "$XDG_STATE_HOME/kv3conv/journals (~/.local/state/kv3conv/journals when XDG_STATE_HOME is not
// set)" on Linux and "%LOCALAPPDATA%\kv3conv\journals" on Windows; below uses "/" between names.
std::string StateFolderInHelp(const std::string& below);

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
