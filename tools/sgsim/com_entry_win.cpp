// Windows keeps no port map entries for the emulator: a COM number there names the system's own
// port, and the emulator on a TCP port is reached by the URL it prints. The servers call these
// all the same, and nothing is made or removed.
#include "tools/sgsim/com_entry.h"

namespace sgsim {

std::string DefaultPortMapDirectory() {
    return std::string();
}

bool MakeDirectories(const std::string&, std::string& error) {
    error = "the emulator makes no port map entries on Windows";
    return false;
}

bool CreateComEntry(const std::string&, int, bool, const CComTarget&, int& chosen,
                    std::string& path, std::string&) {
    chosen = 0;
    path.clear();
    return true;
}

void RemoveComEntry(const std::string&, const CComTarget&) {}

} // namespace sgsim
