// sgsim: the generator emulator on a pseudo-terminal, on a TCP port as a serial device server
// would serve it, or (on Windows) on a serial port; what each system offers is in its
// options_*.cpp and serve_*.cpp.
#include "tools/sgsim/command_line.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/initial_state.h"
#include "tools/sgsim/serve.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    sgsim::CCommandLine cl;
    if (const int status = sgsim::ParseCommandLine(argc, argv, cl); status >= 0)
        return status;

    sgsim::CEmulator emulator(cl.misbehaviour);
    if (!sgsim::SetUpDevice(cl, emulator))
        return 1;
    if (const std::string refusal = sgsim::ApplySettings(cl.settings, emulator.Generator());
        !refusal.empty()) {
        std::fprintf(stderr, "sgsim: --set %s\n", refusal.c_str());
        return 2;
    }

    bool logOpened = true;
    std::FILE* log = sgsim::OpenFrameLog(cl, logOpened);
    if (!logOpened)
        return 1;
    const int status = sgsim::ServeCommandLine(cl, emulator, log);
    if (log && log != stderr)
        std::fclose(log);
    return status;
}
