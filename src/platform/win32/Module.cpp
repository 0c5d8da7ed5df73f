// Loading a DLL and finding a function in it.
#include "platform/Module.h"

#include "platform/Path.h"
#include "platform/win32/Win32.h"

namespace kv::os {

void* LoadModuleFunction(const std::string& path, const char* symbol, std::string& problem,
                         bool* loaded) {
  if (loaded) *loaded = false;
  // A DLL named by its full path finds the DLLs it needs beside itself first.
  const DWORD flags = IsAbsolute(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  HMODULE module = LoadLibraryExW(win32::SystemPath(path).c_str(), nullptr, flags);
  if (module == nullptr) {
    problem = path + ": " + LastError().Text;
    return nullptr;
  }
  if (loaded) *loaded = true;
  FARPROC function = GetProcAddress(module, symbol);
  if (function == nullptr) {
    problem = path + ": " + LastError().Text + " (" + symbol + ")";
    return nullptr;
  }
  return reinterpret_cast<void*>(function);
}

}  // namespace kv::os
