// Serving on POSIX: a pseudo-terminal, or a TCP port, registered as COMn in the port map;
// SIGINT, SIGTERM and SIGHUP stop it through a pipe, and --exit-with-parent asks for the
// parent's death signal.
#include "tools/sgsim/serve.h"

#include "tools/sgsim/pty_server.h"
#include "tools/sgsim/tcp_server.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace sgsim {

namespace {

int g_fdStopWrite = -1;

void OnStopSignal(int) {
    const char b = 1;
    const int saved = errno;
    if (write(g_fdStopWrite, &b, 1) < 0) {
    }
    errno = saved;
}

// SIGINT, SIGTERM and SIGHUP make stopFd readable; SIGPIPE is ignored.
bool CatchStopSignals(int& stopFd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("sgsim: pipe");
        return false;
    }
    g_fdStopWrite = fds[1];
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    stopFd = fds[0];
    return true;
}

const CServeTexts kTexts{"sgsim: %s\n", "sgsim: back as %s\n"};

} // namespace

int ServeCommandLine(CCommandLine& cl, CEmulator& emulator, std::FILE* log) {
    int stopFd = -1;
    if (!CatchStopSignals(stopFd))
        return 1;

    if (cl.exitWithParent) {
        // The signal covers a parent that dies; the watch covers one that had already gone.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const pid_t parent = getppid();
        if (parent == 1) {
            std::fprintf(stderr, "sgsim: parent has already gone\n");
            return 0;
        }
        if (cl.server.watchPid == 0)
            cl.server.watchPid = parent;
    }

    if (cl.onTcp) {
        CTcpServer served(emulator, cl.server, cl.tcp);
        return Serve(served, emulator, cl.misbehaviour, cl.server, stopFd, log, kTexts, [&served] {
            return "COM" + std::to_string(served.ComNumber()) + " -> " + served.Url();
        });
    }
    CPtyServer served(emulator, cl.server);
    return Serve(served, emulator, cl.misbehaviour, cl.server, stopFd, log, kTexts, [&served] {
        return "COM" + std::to_string(served.ComNumber()) + " -> " + served.SlavePath();
    });
}

} // namespace sgsim
