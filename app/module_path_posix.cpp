// The executable's path from /proc/self/exe; its directory part ends at the last '/'.
#include "app/module_path.h"

#include <unistd.h>
#include <vector>

namespace address_file {

const char kModulePathSeparator = '/';

std::string SystemModuleFileName() {
    std::vector<char> buf(4096);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return std::string();
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

} // namespace address_file
