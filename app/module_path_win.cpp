// The executable's path from GetModuleFileName; its directory part ends at the last backslash.
#include "app/module_path.h"

#include <windows.h>

namespace address_file {

const char kModulePathSeparator = '\\';

std::string SystemModuleFileName() {
    // The address file path holds 256 characters; a longer module path is cut there, as the
    // system cuts it for a buffer of that size.
    char buffer[256] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0)
        return std::string();
    return std::string(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
}

} // namespace address_file
