#include "support/RunProgram.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/wait.h>

#include <cstdlib>
#endif

namespace kv::test {

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One argument as the C runtime's command-line parser reads it back: quoted when it holds a
// blank or a quote, with the backslashes before a quote (and before the closing one) doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& outPath, const std::string& errPath) {
  std::wstring line = Quoted(Wide(program));
  for (const std::string& arg : args) line += L" " + Quoted(Wide(arg));
  const HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = Inheritable(Wide(outPath), GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err =
      errPath == outPath ? out : Inheritable(Wide(errPath), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  DWORD code = static_cast<DWORD>(-1);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  if (err != out) CloseHandle(err);
  return started ? static_cast<int>(code) : -1;
}

#else

namespace {

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

int RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& outPath, const std::string& errPath) {
  std::string command = Quoted(program);
  for (const std::string& arg : args) command += " " + Quoted(arg);
  command += " >" + Quoted(outPath) +
             (errPath == outPath ? std::string(" 2>&1") : " 2>" + Quoted(errPath)) + " </dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace kv::test
