// The few operating-system calls the test support needs, one implementation per system
// (os_posix.cpp, os_win.cpp; CMake picks the file): a fresh temporary directory, the process
// environment and where it puts the user's configuration, and memory followed by an
// inaccessible page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Creates a new, empty directory under the system's temporary directory; throws on failure.
std::string MakeTempDir();

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// The variable that names the folder the console's per-user configuration directory is in:
// XDG_CONFIG_HOME, or APPDATA on Windows.
extern const char kConfigHomeVariable[];

// `bytes` of writable memory that end exactly where an inaccessible page begins, so that any
// read past them faults even without a sanitizer. Free with FreeGuarded(Base of the block).
struct GuardedBlock {
    void* base = nullptr;
    std::size_t size = 0;
    std::uint8_t* bytes = nullptr;
};
GuardedBlock AllocateGuarded(std::size_t bytes);
void FreeGuarded(const GuardedBlock& block);

} // namespace testsupport
