// Loading a module (a shared library, a DLL) and finding a function in it.
#pragma once

#include <string>

namespace kv::os {

// Loads the module at path and returns the address of its function `symbol`; nullptr on failure
// with problem saying why. The module stays loaded until the process ends.
void* LoadModuleFunction(const std::string& path, const char* symbol, std::string& problem);

}  // namespace kv::os
