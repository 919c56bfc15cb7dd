// Test support on Windows: a uniquely named directory under GetTempPath, the C runtime's
// environment (which getenv reads), and a VirtualAlloc'ed page made PAGE_NOACCESS.
#include "support/os_support.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <windows.h>

namespace testsupport {

std::string MakeTempDir() {
    char base[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof base, base);
    if (n == 0 || n > MAX_PATH)
        throw std::runtime_error("GetTempPath failed");
    // A name from the process id, the clock and a counter; CreateDirectory refuses an existing
    // one, so a clash only costs another try.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char path[MAX_PATH + 64];
        std::snprintf(path, sizeof path, "%skestrelon-test-%lu-%lu-%u", base,
                      static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetTickCount()), ++counter);
        if (CreateDirectoryA(path, nullptr))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("CreateDirectory failed");
}

void SetEnv(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

void UnsetEnv(const std::string& name) {
    // An empty value removes the variable from the C runtime's environment.
    _putenv_s(name.c_str(), "");
}

const char kConfigHomeVariable[] = "APPDATA";

GuardedBlock AllocateGuarded(std::size_t bytes) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::size_t page = info.dwPageSize;
    const std::size_t data = (bytes + page - 1) / page * page;
    void* p = VirtualAlloc(nullptr, data + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr)
        throw std::runtime_error("VirtualAlloc failed");
    auto* base = static_cast<std::uint8_t*>(p);
    DWORD old = 0;
    if (!VirtualProtect(base + data, page, PAGE_NOACCESS, &old)) {
        VirtualFree(p, 0, MEM_RELEASE);
        throw std::runtime_error("VirtualProtect failed");
    }
    return GuardedBlock{p, data + page, base + data - bytes};
}

void FreeGuarded(const GuardedBlock& block) {
    if (block.base)
        VirtualFree(block.base, 0, MEM_RELEASE);
}

} // namespace testsupport
