// The COM port map: which device a COM number opens on this machine.
//
// COM n resolves, at each open, to
//   1. the entry "COMn" of the port map directory: a symbolic link to a tty device (a
//      pseudo-terminal included), or a regular file holding the URL of a network endpoint
//      (socket://HOST:PORT or rfc2217://HOST:PORT, network_endpoint.h), else
//   2. the n-th present serial device: ttyS ports with hardware behind them, then ttyUSB*, then
//      ttyACM*, each in numeric order, skipping devices that an entry of step 1 already names.
// A file named "manual" in the directory switches step 2 off.
// On Windows COM n is the system's port of that name, unless the key COMn of the section [ports]
// in PortMapDirectory()\ports.ini holds a URL (a file named COMn would be the device itself).
#pragma once

#include <string>
#include <vector>

namespace serial {

// The console's per-user configuration directory: $XDG_CONFIG_HOME/kestrelon, or
// ~/.config/kestrelon when the variable is unset or not an absolute path; empty when no home
// directory is known either. On Windows %APPDATA%\kestrelon (empty when APPDATA is not set).
std::string ConfigDirectory();

// ConfigDirectory()/ports; empty when that is. On Windows ConfigDirectory() itself, whose
// ports.ini maps COM numbers to network endpoints.
std::string PortMapDirectory();

// Where the device scan looks; tests point these at directories of their own.
struct DeviceRoots {
    std::string dev = "/dev";
    std::string sysTty = "/sys/class/tty";
};

// The present serial devices in COM order (paths under roots.dev).
std::vector<std::string> ListPresentDevices(const DeviceRoots& roots = DeviceRoots{});

// The device path or the network endpoint's URL COM number opens, or an empty string when it
// maps to nothing (number outside 1..99, no entry and no n-th device).
std::string ResolveComPort(int number, const std::string& mapDirectory,
                           const DeviceRoots& roots = DeviceRoots{});
inline std::string ResolveComPort(int number) {
    return ResolveComPort(number, PortMapDirectory());
}

} // namespace serial
