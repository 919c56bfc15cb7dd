#include "wine_host.h"

#include <windows.h>

namespace winetest {

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4; // 100 ns units
}

std::string DosDeviceTarget(const char* name) {
    char target[1024];
    const DWORD n = QueryDosDeviceA(name, target, sizeof target);
    return n ? std::string(target) : std::string();
}

} // namespace winetest
