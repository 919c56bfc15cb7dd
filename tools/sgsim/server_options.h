// What every server of the emulator takes (a pseudo-terminal, a TCP port, a serial port): the
// COM entry it makes, the reply timing, the watched process; and why a server's run ended.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace sgsim {

struct CServerOptions {
    int nCom = 0;            // COM number 1..99; 0 picks the lowest number with no entry
    std::string strPortsDir; // empty: DefaultPortMapDirectory()
    bool bForce = false;     // replace a COMn entry that points at a live device
    int nDelayMs = 0;        // every reply waits this long before its first byte
    bool bPace = false;      // send at the line rate of nBaud (10 bits per byte)
    int nBaud = 115200;
    int nIdleResetMs = 100; // a partial request frame is given up after this much quiet
    pid_t watchPid = 0;     // stop when this process has gone (0: no watch)
};

enum class ServerEnd { Stopped, WatchedProcessGone, Vanished, Error };

// What a server's run waits on to stop: a descriptor that becomes readable (a pipe or an
// eventfd) on POSIX, an event's handle on Windows.
using StopHandle = std::intptr_t;

} // namespace sgsim
