// The COM port map on Windows: COM n is the system's own port of that name ("COMn" for 1..9, the
// device-namespace form "\\.\COMn" from 10 on), unless the port map directory
// %APPDATA%\kestrelon\ports holds a file COMn with the URL of a network endpoint. The console
// keeps no other per-user files here.
#include "platform/serial/port_map.h"

#include "platform/serial/network_endpoint.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace serial {

std::string ConfigDirectory() {
    return std::string();
}

std::string PortMapDirectory() {
    const char* appData = std::getenv("APPDATA");
    if (!appData || !appData[0])
        return std::string();
    return std::string(appData) + "\\kestrelon\\ports";
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

std::string ResolveComPort(int number, const std::string& mapDirectory, const DeviceRoots&) {
    if (number < 1 || number > 99)
        return std::string();
    if (!mapDirectory.empty()) {
        // A file that holds anything else is returned as it is, and fails to open as no port.
        const std::string entry = mapDirectory + "\\COM" + std::to_string(number);
        const DWORD attributes = GetFileAttributesA(entry.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const std::string url = ReadUrlEntry(entry);
            return url.empty() ? entry : url;
        }
    }
    char name[16];
    std::snprintf(name, sizeof name, number < 10 ? "COM%d" : "\\\\.\\COM%d", number);
    return name;
}

} // namespace serial
