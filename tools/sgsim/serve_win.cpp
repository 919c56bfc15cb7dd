// Serving on Windows: a TCP port (the default: a free one of the loopback address) or a serial
// port named with --serial. Ctrl+C, Ctrl+Break and closing the console window set the stop event.
#include "tools/sgsim/serve.h"

#include "platform/serial/socket.h"
#include "tools/sgsim/serial_server.h"
#include "tools/sgsim/tcp_server.h"

#include <windows.h>

namespace sgsim {

namespace {

HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    SetEvent(g_stop);
    // Handled: the serving loop ends and sgsim returns from main. Closing the window does not
    // wait long for that, which is fine: the emulator leaves nothing behind on Windows.
    return TRUE;
}

const CServeTexts kTexts{"sgsim: serving on %s\n", "sgsim: back on %s\n"};

} // namespace

int ServeCommandLine(CCommandLine& cl, CEmulator& emulator, std::FILE* log) {
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!g_stop || !SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        std::fprintf(stderr, "sgsim: cannot catch Ctrl+C (error %lu)\n", GetLastError());
        return 1;
    }
    const StopHandle stop = reinterpret_cast<StopHandle>(g_stop);

    if (!cl.strSerialPort.empty()) {
        CSerialServer served(emulator, cl.server, cl.strSerialPort);
        return Serve(served, emulator, cl.misbehaviour, cl.server, stop, log, kTexts,
                     [&served] { return served.Path(); });
    }
    if (!serial::StartSockets()) {
        std::fprintf(stderr, "sgsim: the sockets layer (Winsock 2.2) did not start\n");
        return 1;
    }
    CTcpServer served(emulator, cl.server, cl.tcp);
    return Serve(served, emulator, cl.misbehaviour, cl.server, stop, log, kTexts,
                 [&served] { return served.Url(); });
}

} // namespace sgsim
