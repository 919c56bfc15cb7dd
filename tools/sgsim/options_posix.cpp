// sgsim's options on POSIX: all but --serial (a pseudo-terminal is the emulator's own serial
// line here); none refused.
#include "tools/sgsim/command_line.h"

namespace sgsim {

const char kUsagePort[] =
    "usage: sgsim [options]\n"
    "Emulates the signal generator on a pseudo-terminal, or on a TCP port as a serial device\n"
    "server, registered as COMn in the console's port map directory, until SIGINT or SIGTERM.\n"
    "\n"
    "Port:\n"
    "  --com N               COM number 1..99 (default: the lowest free one)\n"
    "  --ports-dir DIR       port map directory (default: $XDG_CONFIG_HOME/kestrelon/ports\n"
    "                        or ~/.config/kestrelon/ports)\n"
    "  --force               replace a COMn entry that points at a live device\n"
    "  --tcp HOST:PORT       serve on this TCP port instead, the line's bytes as they are\n"
    "                        (PORT 0: a free one); COMn holds socket://HOST:PORT\n"
    "  --rfc2217 HOST:PORT   ... as Telnet with the COM port control option (RFC 2217);\n"
    "                        COMn holds rfc2217://HOST:PORT\n"
    "  --fixed-baud N        with --rfc2217: the line stays at N baud, and every baud rate the\n"
    "                        client sets is answered with N\n"
    "  --exit-with-parent    stop when the process that started sgsim ends\n"
    "  --pid PID             stop when process PID ends\n";

bool OptionKnown(int option) {
    return option != kOptSerialPort;
}

const char* OptionRefusal(int) {
    return nullptr;
}

std::string SerialPortPath(const std::string&) {
    return std::string();
}

} // namespace sgsim
