// COM number to device path or network endpoint: the port map directory first, then a scan of
// present devices.
#include "platform/serial/port_map.h"

#include "platform/serial/network_endpoint.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The device a path finally names, for comparing an entry with a scanned device.
std::string Canonical(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string result(real);
    std::free(real);
    return result;
}

// Numbers n of the names prefix+n in dir, ascending.
std::vector<long> NumberedEntries(const std::string& dir, const std::string& prefix) {
    std::vector<long> numbers;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return numbers;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.size() - prefix.size() > 6)
            continue;
        const std::string digits = name.substr(prefix.size());
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        numbers.push_back(std::stol(digits));
    }
    ::closedir(d);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// A ttyS node exists for every possible 8250 port; only those with a device behind them and a
// known UART type are real. The type comes from sysfs, or from the driver when sysfs lacks it.
bool HasUartBehind(const DeviceRoots& roots, const std::string& name) {
    const std::string sys = roots.sysTty + "/" + name;
    if (!Exists(sys + "/device"))
        return false;
    std::ifstream typeFile(sys + "/type");
    int type = -1;
    if (typeFile >> type)
        return type != PORT_UNKNOWN;
    const int fd = ::open((roots.dev + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

} // namespace

std::string ConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/kestrelon";
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0])
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    if (home.empty())
        return {};
    return home + "/.config/kestrelon";
}

std::string PortMapDirectory() {
    const std::string config = ConfigDirectory();
    return config.empty() ? config : config + "/ports";
}

std::vector<std::string> ListPresentDevices(const DeviceRoots& roots) {
    std::vector<std::string> devices;
    for (long n : NumberedEntries(roots.dev, "ttyS")) {
        const std::string name = "ttyS" + std::to_string(n);
        if (HasUartBehind(roots, name))
            devices.push_back(roots.dev + "/" + name);
    }
    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (long n : NumberedEntries(roots.dev, prefix))
            devices.push_back(roots.dev + "/" + prefix + std::to_string(n));
    }
    return devices;
}

std::string ResolveComPort(int number, const std::string& mapDirectory, const DeviceRoots& roots) {
    if (number < 1 || number > 99)
        return {};
    std::set<std::string> mapped;
    if (!mapDirectory.empty()) {
        const std::string entry = mapDirectory + "/COM" + std::to_string(number);
        struct stat st;
        if (::lstat(entry.c_str(), &st) == 0) {
            // A plain file names a network endpoint; one that holds anything else is returned as
            // it is, and fails to open as no terminal.
            const std::string url = S_ISREG(st.st_mode) ? ReadUrlEntry(entry) : std::string();
            return url.empty() ? entry : url;
        }
        if (Exists(mapDirectory + "/manual"))
            return {};
        for (long n : NumberedEntries(mapDirectory, "COM")) {
            if (n >= 1 && n <= 99)
                mapped.insert(Canonical(mapDirectory + "/COM" + std::to_string(n)));
        }
    }
    int position = 0;
    for (const std::string& device : ListPresentDevices(roots)) {
        if (mapped.count(Canonical(device)))
            continue;
        if (++position == number)
            return device;
    }
    return {};
}

} // namespace serial
