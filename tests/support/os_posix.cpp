// Test support on POSIX systems: mkdtemp, setenv, and an mmap'ed page made PROT_NONE.
#include "support/os_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace testsupport {

std::string MakeTempDir() {
    char tmpl[] = "/tmp/kestrelon-test-XXXXXX";
    if (mkdtemp(tmpl) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

void SetEnv(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
    unsetenv(name.c_str());
}

const char kConfigHomeVariable[] = "XDG_CONFIG_HOME";

GuardedBlock AllocateGuarded(std::size_t bytes) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t data = (bytes + page - 1) / page * page;
    void* p =
        mmap(nullptr, data + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::runtime_error("mmap failed");
    auto* base = static_cast<std::uint8_t*>(p);
    if (mprotect(base + data, page, PROT_NONE) != 0) {
        munmap(p, data + page);
        throw std::runtime_error("mprotect failed");
    }
    return GuardedBlock{p, data + page, base + data - bytes};
}

void FreeGuarded(const GuardedBlock& block) {
    if (block.base)
        munmap(block.base, block.size);
}

} // namespace testsupport
