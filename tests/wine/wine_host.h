// The few Win32 calls the link tests under wine need, kept out of the test file: <windows.h>
// and the link's own DWORD and BOOL cannot share a translation unit.
#pragma once

#include <string>

namespace winetest {

// User plus kernel time this process has used, in milliseconds.
double ProcessCpuMs();

// The target a DOS device name (such as "COM77") stands for, or "" when it stands for nothing.
std::string DosDeviceTarget(const char* name);

} // namespace winetest
