// sgsim's options on Windows: a TCP port or a serial port (one end of a null-modem pair) carries
// the line. Pseudo-terminals, the port map entries and the parent's death signal are POSIX-only:
// their options are refused, and the usage text names only what works here.
#include "tools/sgsim/command_line.h"

#include "platform/serial/port_map.h"

#include <cctype>
#include <cstdlib>

namespace sgsim {

const char kUsagePort[] =
    "usage: sgsim [options]\n"
    "Emulates the signal generator on a TCP port as a serial device server, or on a serial\n"
    "port, until Ctrl+C or Ctrl+Break.\n"
    "\n"
    "Port:\n"
    "  --tcp HOST:PORT       serve on this TCP port, the line's bytes as they are (PORT 0: a\n"
    "                        free one; the default is 127.0.0.1:0); the console and sgctl reach\n"
    "                        it as socket://HOST:PORT, which sgsim prints\n"
    "  --rfc2217 HOST:PORT   ... as Telnet with the COM port control option (RFC 2217);\n"
    "                        reached as rfc2217://HOST:PORT\n"
    "  --fixed-baud N        with --rfc2217: the line stays at N baud, and every baud rate the\n"
    "                        client sets is answered with N\n"
    "  --serial COMn         serve on this serial port instead, at the rate of --baud: one end\n"
    "                        of a null-modem pair, the console opens the other end\n"
    "  --pid PID             stop when process PID ends\n";

bool OptionKnown(int) {
    return true;
}

const char* OptionRefusal(int option) {
    switch (option) {
    case kOptCom:
        return "--com is POSIX-only (port map entries): on Windows serve with --tcp HOST:PORT or "
               "--serial COMn";
    case kOptPortsDir:
        return "--ports-dir is POSIX-only (port map entries): on Windows serve with --tcp "
               "HOST:PORT or --serial COMn";
    case kOptForce:
        return "--force is POSIX-only (port map entries): on Windows serve with --tcp HOST:PORT "
               "or --serial COMn";
    case kOptExitWithParent:
        return "--exit-with-parent is POSIX-only: on Windows use --pid PID";
    default:
        return nullptr;
    }
}

std::string SerialPortPath(const std::string& text) {
    if (text.size() < 4 || text.size() > 5 ||
        std::toupper(static_cast<unsigned char>(text[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(text[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(text[2])) != 'M')
        return std::string();
    int number = 0;
    for (std::size_t i = 3; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::string();
        number = number * 10 + (text[i] - '0');
    }
    // The system's own port of that number, whatever the console's port map says about it.
    return serial::ResolveComPort(number, std::string());
}

} // namespace sgsim
