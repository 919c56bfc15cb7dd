// Port map entries of the emulator.
#include "tools/sgsim/com_entry.h"

#include "platform/serial/network_endpoint.h"
#include "platform/serial/port_map.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace sgsim {

namespace {

std::string ReadLink(const std::string& path) {
    char target[512];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n < 0)
        return std::string();
    target[n] = '\0';
    return target;
}

// What the entry at path points at now, in the form of a target.
std::string CurrentTarget(const std::string& path, bool url) {
    return url ? serial::ReadUrlEntry(path) : ReadLink(path);
}

} // namespace

std::string DefaultPortMapDirectory() {
    return serial::PortMapDirectory();
}

bool MakeDirectories(const std::string& path, std::string& error) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot create " + partial + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = path + " is not a directory";
        return false;
    }
    return true;
}

bool CreateComEntry(const std::string& dirOption, int com, bool force, const CComTarget& target,
                    int& chosen, std::string& path, std::string& error) {
    const std::string dir = dirOption.empty() ? DefaultPortMapDirectory() : dirOption;
    if (dir.empty()) {
        error = "no home directory for the port map: set XDG_CONFIG_HOME or use --ports-dir";
        return false;
    }
    if (!MakeDirectories(dir, error))
        return false;
    auto entry = [&dir](int n) { return dir + "/COM" + std::to_string(n); };
    struct stat st;

    if (com == 0) {
        for (int n = 1; n <= 99 && com == 0; ++n)
            if (lstat(entry(n).c_str(), &st) != 0 && errno == ENOENT)
                com = n;
        if (com == 0) {
            error = "no free COM number in " + dir;
            return false;
        }
    } else if (com < 1 || com > 99) {
        error = "COM number must be 1..99";
        return false;
    }
    const std::string name = entry(com);
    if (lstat(name.c_str(), &st) == 0) {
        // An entry whose target has gone (a pseudo-terminal of an emulator that was killed) is
        // stale and may be replaced; a live one, or a file with an address, only with --force.
        const bool live = stat(name.c_str(), &st) == 0;
        if (live && !force) {
            const std::string now = CurrentTarget(name, S_ISREG(st.st_mode));
            error = "COM" + std::to_string(com) + " is taken" +
                    (now.empty() ? std::string() : " (-> " + now + ")") +
                    "; choose another --com or use --force";
            return false;
        }
    }
    // Create under a temporary name and rename, so the entry never points nowhere.
    const std::string temp = name + ".sgsim." + std::to_string(getpid());
    unlink(temp.c_str());
    bool made;
    if (target.bUrl) {
        std::ofstream out(temp, std::ios::trunc);
        out << target.strTarget << "\n";
        made = static_cast<bool>(out.flush());
    } else {
        made = symlink(target.strTarget.c_str(), temp.c_str()) == 0;
    }
    if (!made || rename(temp.c_str(), name.c_str()) != 0) {
        error = "cannot create " + name + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    chosen = com;
    path = name;
    return true;
}

void RemoveComEntry(const std::string& path, const CComTarget& target) {
    if (!path.empty() && CurrentTarget(path, target.bUrl) == target.strTarget)
        unlink(path.c_str());
}

} // namespace sgsim
