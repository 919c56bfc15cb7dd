// The COM port map on Windows: COM n is the system's own port of that name, so there is no map
// directory (nor any other per-user directory of the console); the name is "COMn" for 1..9 and
// the device-namespace form "\\.\COMn" from 10 on.
#include "platform/serial/port_map.h"

#include <cstdio>

#include <windows.h>

namespace serial {

std::string ConfigDirectory() {
    return std::string();
}

std::string PortMapDirectory() {
    return std::string();
}

std::vector<std::string> ListPresentDevices(const DeviceRoots&) {
    std::vector<std::string> present;
    char target[512];
    for (int n = 1; n <= 99; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "COM%d", n);
        if (QueryDosDeviceA(name, target, sizeof target) != 0)
            present.push_back(ResolveComPort(n, std::string()));
    }
    return present;
}

std::string ResolveComPort(int number, const std::string&, const DeviceRoots&) {
    if (number < 1 || number > 99)
        return std::string();
    char name[16];
    std::snprintf(name, sizeof name, number < 10 ? "COM%d" : "\\\\.\\COM%d", number);
    return name;
}

} // namespace serial
