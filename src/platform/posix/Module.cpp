// Loading a shared library on POSIX: dlopen with every symbol bound at once, its names kept to
// itself.
#include "platform/Module.h"

#include <dlfcn.h>

namespace kv::os {

void* LoadModuleFunction(const std::string& path, const char* symbol, std::string& problem,
                         bool* loaded) {
  if (loaded) *loaded = false;
  void* const module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* const error = ::dlerror();
    problem = error != nullptr ? error : path;
    return nullptr;
  }
  if (loaded) *loaded = true;
  ::dlerror();
  void* const function = ::dlsym(module, symbol);
  if (function == nullptr) {
    const char* const error = ::dlerror();
    problem = error != nullptr ? error : path + ": no function " + symbol;
  }
  return function;
}

}  // namespace kv::os
