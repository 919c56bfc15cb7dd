// The executable's own path, as the operating system reports it, and the separator that ends its
// directory part. One file per OS defines them (module_path_posix.cpp, module_path_win.cpp).
#pragma once

#include <string>

namespace address_file {

extern const char kModulePathSeparator;

// Empty when the system cannot tell.
std::string SystemModuleFileName();

} // namespace address_file
