// Serving the emulator the command line describes: the loop every server shares (the frame log,
// the line that says where the emulator is, and in chaos its coming back after vanishing), and
// the system's part that picks the server and the stop object (serve_posix.cpp, serve_win.cpp).
#pragma once

#include "tools/sgsim/command_line.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/server_options.h"
#include "tools/sgsim/server_os.h"

#include <cstdio>
#include <string>

namespace sgsim {

// Serves until stopped, with the log, the exit status as sgsim ends with it. This system's part.
int ServeCommandLine(CCommandLine& cl, CEmulator& emulator, std::FILE* log);

// The lines that say where the emulator is: printf formats for what describe() gives.
struct CServeTexts {
    const char* serving; // on standard output, once the server is open
    const char* back;    // on standard error, when it is back after vanishing
};

// Serves until stopped; in chaos the device comes back after vanishing, on a new line (a new
// pseudo-terminal, the same TCP port again, the serial port reopened). The exit status.
template <class Server, class Describe>
int Serve(Server& served, CEmulator& emulator, const CMisbehaviour& misbehaviour,
          const CServerOptions& server, StopHandle stop, std::FILE* log, const CServeTexts& texts,
          Describe describe) {
    if (log)
        served.SetFrameLog([log](const std::string& line) {
            std::fprintf(log, "%s\n", line.c_str());
            std::fflush(log);
        });
    std::string error;
    if (!served.Open(error)) {
        std::fprintf(stderr, "sgsim: %s\n", error.c_str());
        return 1;
    }
    std::printf(texts.serving, describe().c_str());
    std::fflush(stdout);

    ServerEnd end = served.Run(stop);
    unsigned comeBack = misbehaviour.nChaosSeed;
    while (misbehaviour.bChaos && end == ServerEnd::Vanished) {
        std::fprintf(stderr, "sgsim: vanished after %d requests\n", emulator.RequestsAnswered());
        comeBack = comeBack * 1103515245u + 12345u;
        if (os::WaitForStop(stop, 300 + static_cast<int>((comeBack >> 8) % 2200)))
            return 0;
        if (server.watchPid > 0 && os::ProcessGone(server.watchPid))
            return 0;
        emulator.ComeBack();
        if (!served.Open(error)) {
            std::fprintf(stderr, "sgsim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, texts.back, describe().c_str());
        end = served.Run(stop);
    }
    served.Close();
    switch (end) {
    case ServerEnd::Vanished:
        std::fprintf(stderr, "sgsim: vanished after %d requests\n", emulator.RequestsAnswered());
        break;
    case ServerEnd::WatchedProcessGone:
        std::fprintf(stderr, "sgsim: process %d has ended, stopping\n",
                     static_cast<int>(server.watchPid));
        break;
    case ServerEnd::Error:
        std::fprintf(stderr, "sgsim: %s\n", served.ErrorText().c_str());
        return 1;
    case ServerEnd::Stopped:
        break;
    }
    return 0;
}

} // namespace sgsim
