// The COM port map on Windows: COM n is the system's own port of that name ("COMn" for 1..9, the
// device-namespace form "\\.\COMn" from 10 on), unless the user's port map names a network
// endpoint for it: the key COMn of the section [ports] in %APPDATA%\kestrelon\ports.ini. (A file
// per port, as on Linux, cannot be: a file named COMn is the device COMn in every directory.) The
// same directory keeps the address file of an installed console (ConfigDirectory).
#include "platform/serial/port_map.h"

#include "platform/serial/network_endpoint.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace serial {

std::string ConfigDirectory() {
    const char* appData = std::getenv("APPDATA");
    if (!appData || !appData[0])
        return std::string();
    return std::string(appData) + "\\kestrelon";
}

std::string PortMapDirectory() {
    return ConfigDirectory();
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
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", number);
    if (!mapDirectory.empty()) {
        const std::string ini = mapDirectory + "\\ports.ini";
        char value[1024] = {};
        GetPrivateProfileStringA("ports", name, "", value, sizeof value, ini.c_str());
        std::string url = value;
        while (!url.empty() && std::isspace(static_cast<unsigned char>(url.back())))
            url.pop_back();
        // A key that holds something else maps the number to nothing rather than to a device.
        if (!url.empty())
            return IsNetworkUrl(url) ? url : std::string();
    }
    std::snprintf(name, sizeof name, number < 10 ? "COM%d" : "\\\\.\\COM%d", number);
    return name;
}

} // namespace serial
