// Starting a program as a process of its own in tests, on POSIX systems and on Windows alike.
#pragma once

#include <string>
#include <vector>

namespace kv::test {

// Runs program with args, standard input empty, standard output into outPath and standard error
// into errPath (both into one file when the two are the same path), and waits for it. Returns its
// exit code, or -1 when it did not end by itself (a signal).
int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& outPath, const std::string& errPath);

}  // namespace kv::test
