// Loading a module (a shared library, a DLL) and finding a function in it.
#pragma once

#include <string>

namespace kv::os {

// Loads the module at path and returns the address of its function `symbol`; nullptr on failure
// with problem saying why (the system's words). loaded, when given, tells whether the module
// itself loaded, so that a caller can tell a module that is missing or broken from one that lacks
// the function. The module stays loaded until the process ends.
void* LoadModuleFunction(const std::string& path, const char* symbol, std::string& problem,
                         bool* loaded = nullptr);

}  // namespace kv::os
