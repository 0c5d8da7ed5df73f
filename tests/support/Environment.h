// Setting and removing environment variables in tests, on POSIX systems and on Windows alike.
#pragma once

#include <cstdlib>
#include <string>

namespace kv::test {

inline void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  ::setenv(name, value.c_str(), 1);
#endif
}

// On Windows an empty value removes the variable.
inline void UnsetEnvironment(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  ::unsetenv(name);
#endif
}

// The variables that name the user's state folder (journals) and settings folder on this system.
#ifdef _WIN32
constexpr const char* StateHomeVariable = "LOCALAPPDATA";
constexpr const char* ConfigHomeVariable = "APPDATA";
#else
constexpr const char* StateHomeVariable = "XDG_STATE_HOME";
constexpr const char* ConfigHomeVariable = "XDG_CONFIG_HOME";
#endif

}  // namespace kv::test
