// sgsim: the generator emulator on a pseudo-terminal, or on a TCP port as a serial device server
// would serve it, registered as COMn for the console.
#include "tools/sgsim/edid_file.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/initial_state.h"
#include "tools/sgsim/pty_server.h"
#include "tools/sgsim/tcp_server.h"
#include "kestrelon_version.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <vector>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int g_fdStopWrite = -1;

void OnStopSignal(int) {
    const char b = 1;
    const int saved = errno;
    if (write(g_fdStopWrite, &b, 1) < 0) {
    }
    errno = saved;
}

const char kUsage[] =
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
    "  --pid PID             stop when process PID ends\n"
    "Device:\n"
    "  --address G:D         device address, two hex bytes (default 01:01)\n"
    "  --sink-edid FILE      EDID of the attached sink from a .bin or .txt file\n"
    "  --saved-edid N=FILE   saved EDID N (1..6) from a .bin or .txt file\n"
    "  --no-hotplug          no sink attached: hot plug off, no sink EDID to read\n"
    "  --set KEY=VALUE       start with KEY at VALUE, a code or a name as sgctl set takes it:\n"
    "                        output (hdmi|sdi), timing, hdmi_dvi, color_space, color_depth,\n"
    "                        hdcp, audio_source, sample_rate, audio_bits, channel, signal\n"
    "                        (on|off), pattern; applied in that order, as settings the device\n"
    "                        receives (what it refuses ends sgsim with status 2)\n"
    "Misbehaviour:\n"
    "  --silent              apply settings, never answer\n"
    "  --delay MS            wait MS milliseconds before each reply\n"
    "  --pace                send at the line rate of --baud (1 byte per 86.8 us at 115200);\n"
    "                        with --rfc2217 at the rate the client set\n"
    "  --baud N              line rate for --pace (default 115200)\n"
    "  --corrupt-checksum N  every N-th frame sent has a wrong checksum (1: all)\n"
    "  --drop-every N        every N-th byte sent is left out\n"
    "  --noise N             N bytes that start no frame (0x55) before every frame sent\n"
    "  --reply-address G:D   replies carry this address instead of the device's own\n"
    "  --stray W             after every reply, a frame with command word W (hex)\n"
    "  --announce            send the device address report (0xf801) after the 0x80a9 reply\n"
    "  --announce-after W    ... after the reply to command word W instead (hex, e.g. f802)\n"
    "  --vanish-after N      close the port (the connection and the TCP port) after\n"
    "                        answering N requests, and exit\n"
    "  --reset-busy N        after a reset, answer none of the next N requests\n"
    "  --ignore W            neither apply nor answer requests with command word W (hex)\n"
    "  --chaos SEED          misbehave at random, seeded: each reply may come late, cut, with\n"
    "                        garbage before it, a wrong length or checksum, or not at all; the\n"
    "                        port vanishes now and then and comes back after a while\n"
    "  --strict              report every request frame whose checksum is wrong (stderr)\n"
    "Log:\n"
    "  --log FILE            one line per frame, both directions, hex with a timestamp\n"
    "                        (- for standard error)\n"
    "  --help                this text\n"
    "  --version             the version\n";

bool ParseInt(const char* text, long min, long max, long& value, int base = 10) {
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, base);
    return end != text && *end == '\0' && errno == 0 && value >= min && value <= max;
}

bool ParseAddress(const char* text, frame::DeviceAddress& address) {
    unsigned group = 0, device = 0;
    char extra = 0;
    if (std::sscanf(text, "%x:%x%c", &group, &device, &extra) != 2 || group > 0xFF || device > 0xFF)
        return false;
    address = {static_cast<std::uint8_t>(group), static_cast<std::uint8_t>(device)};
    return true;
}

bool LoadEdid(const std::string& path, edid::Image& image) {
    const sgsim::CEdidFileResult r = sgsim::ReadEdidFile(path, image);
    if (!r.bOk) {
        std::fprintf(stderr, "sgsim: %s\n", r.strError.c_str());
        return false;
    }
    if (!r.strWarning.empty())
        std::fprintf(stderr, "sgsim: warning: %s: %s (used as it is)\n", path.c_str(),
                     r.strWarning.c_str());
    return true;
}

int Fail(const char* what, const char* arg) {
    std::fprintf(stderr, "sgsim: bad %s: %s\n%s", what, arg, kUsage);
    return 2;
}

// Serves until stopped; in chaos the device comes back after vanishing, on a new line (a new
// pseudo-terminal, the same TCP port again) under the same COM number. The exit status.
template <class Server, class Target>
int Serve(Server& served, sgsim::CEmulator& emulator, const sgsim::CMisbehaviour& misbehaviour,
          const sgsim::CServerOptions& server, int stopFd, FILE* log, Target target) {
    using End = sgsim::CPtyServer::End;
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
    std::printf("sgsim: COM%d -> %s\n", served.ComNumber(), target().c_str());
    std::fflush(stdout);

    End end = served.Run(stopFd);
    unsigned comeBack = misbehaviour.nChaosSeed;
    while (misbehaviour.bChaos && end == End::Vanished) {
        std::fprintf(stderr, "sgsim: vanished after %d requests\n", emulator.RequestsAnswered());
        comeBack = comeBack * 1103515245u + 12345u;
        pollfd stop{stopFd, POLLIN, 0};
        if (poll(&stop, 1, 300 + static_cast<int>((comeBack >> 8) % 2200)) != 0)
            return 0;
        if (server.watchPid > 0 && kill(server.watchPid, 0) != 0)
            return 0;
        emulator.ComeBack();
        if (!served.Open(error)) {
            std::fprintf(stderr, "sgsim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "sgsim: back as COM%d -> %s\n", served.ComNumber(), target().c_str());
        end = served.Run(stopFd);
    }
    served.Close();
    switch (end) {
    case End::Vanished:
        std::fprintf(stderr, "sgsim: vanished after %d requests\n", emulator.RequestsAnswered());
        break;
    case End::WatchedProcessGone:
        std::fprintf(stderr, "sgsim: process %d has ended, stopping\n",
                     static_cast<int>(server.watchPid));
        break;
    case End::Error:
        std::fprintf(stderr, "sgsim: %s\n", served.ErrorText().c_str());
        return 1;
    case End::Stopped:
        break;
    }
    return 0;
}

// What the command line asks for.
struct CCommandLine {
    sgsim::CServerOptions server;
    sgsim::CTcpOptions tcp;
    bool onTcp = false;
    sgsim::CMisbehaviour misbehaviour;
    frame::DeviceAddress address{0x01, 0x01};
    bool exitWithParent = false;
    bool hotPlug = true;
    std::string sinkEdidPath, logPath;
    std::string savedEdidPaths[sgsim::kSavedEdids];
    std::vector<sgsim::Setting> settings;
};

// Reads the options into cl; -1 to go on, else the exit status (help, version, a bad option).
int ParseCommandLine(int argc, char** argv, CCommandLine& cl) {
    enum {
        kCom = 1000,
        kPortsDir,
        kForce,
        kTcp,
        kRfc2217,
        kFixedBaud,
        kExitWithParent,
        kPid,
        kAddress,
        kSinkEdid,
        kSavedEdid,
        kNoHotplug,
        kSet,
        kSilent,
        kDelay,
        kPace,
        kBaud,
        kCorrupt,
        kDrop,
        kNoise,
        kReplyAddress,
        kStray,
        kAnnounce,
        kAnnounceAfter,
        kVanish,
        kResetBusy,
        kIgnore,
        kChaos,
        kStrict,
        kLog,
        kHelp,
        kVersion
    };
    static const option kOptions[] = {
        {"com", required_argument, nullptr, kCom},
        {"ports-dir", required_argument, nullptr, kPortsDir},
        {"force", no_argument, nullptr, kForce},
        {"tcp", required_argument, nullptr, kTcp},
        {"rfc2217", required_argument, nullptr, kRfc2217},
        {"fixed-baud", required_argument, nullptr, kFixedBaud},
        {"exit-with-parent", no_argument, nullptr, kExitWithParent},
        {"pid", required_argument, nullptr, kPid},
        {"address", required_argument, nullptr, kAddress},
        {"sink-edid", required_argument, nullptr, kSinkEdid},
        {"saved-edid", required_argument, nullptr, kSavedEdid},
        {"no-hotplug", no_argument, nullptr, kNoHotplug},
        {"set", required_argument, nullptr, kSet},
        {"silent", no_argument, nullptr, kSilent},
        {"delay", required_argument, nullptr, kDelay},
        {"pace", no_argument, nullptr, kPace},
        {"baud", required_argument, nullptr, kBaud},
        {"corrupt-checksum", required_argument, nullptr, kCorrupt},
        {"drop-every", required_argument, nullptr, kDrop},
        {"noise", required_argument, nullptr, kNoise},
        {"reply-address", required_argument, nullptr, kReplyAddress},
        {"stray", required_argument, nullptr, kStray},
        {"announce", no_argument, nullptr, kAnnounce},
        {"announce-after", required_argument, nullptr, kAnnounceAfter},
        {"vanish-after", required_argument, nullptr, kVanish},
        {"reset-busy", required_argument, nullptr, kResetBusy},
        {"ignore", required_argument, nullptr, kIgnore},
        {"chaos", required_argument, nullptr, kChaos},
        {"strict", no_argument, nullptr, kStrict},
        {"log", required_argument, nullptr, kLog},
        {"help", no_argument, nullptr, kHelp},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };

    long value = 0;

    int opt;
    while ((opt = getopt_long(argc, argv, "", kOptions, nullptr)) != -1) {
        switch (opt) {
        case kCom:
            if (!ParseInt(optarg, 1, 99, value))
                return Fail("COM number", optarg);
            cl.server.nCom = static_cast<int>(value);
            break;
        case kPortsDir:
            cl.server.strPortsDir = optarg;
            break;
        case kForce:
            cl.server.bForce = true;
            break;
        case kTcp:
        case kRfc2217:
            if (cl.onTcp)
                return Fail("second endpoint", optarg);
            if (!sgsim::ParseListenAddress(optarg, cl.tcp.strHost, cl.tcp.nPort))
                return Fail("endpoint (HOST:PORT)", optarg);
            cl.tcp.bRfc2217 = opt == kRfc2217;
            cl.onTcp = true;
            break;
        case kFixedBaud:
            if (!ParseInt(optarg, 50, 4000000, value))
                return Fail("baud rate", optarg);
            cl.tcp.nFixedBaud = static_cast<int>(value);
            break;
        case kExitWithParent:
            cl.exitWithParent = true;
            break;
        case kPid:
            if (!ParseInt(optarg, 1, 0x7FFFFFFF, value))
                return Fail("process id", optarg);
            cl.server.watchPid = static_cast<pid_t>(value);
            break;
        case kAddress:
            if (!ParseAddress(optarg, cl.address))
                return Fail("address", optarg);
            break;
        case kSinkEdid:
            cl.sinkEdidPath = optarg;
            break;
        case kSavedEdid: {
            const char* eq = std::strchr(optarg, '=');
            const std::string slot =
                eq ? std::string(optarg, static_cast<std::size_t>(eq - optarg)) : "";
            if (!eq || !ParseInt(slot.c_str(), 1, sgsim::kSavedEdids, value) || !eq[1])
                return Fail("saved EDID (N=FILE, N 1..6)", optarg);
            cl.savedEdidPaths[value - 1] = eq + 1;
            break;
        }
        case kNoHotplug:
            cl.hotPlug = false;
            break;
        case kSet: {
            const char* eq = std::strchr(optarg, '=');
            if (!eq || eq == optarg)
                return Fail("setting (KEY=VALUE)", optarg);
            cl.settings.emplace_back(std::string(optarg, static_cast<std::size_t>(eq - optarg)),
                                     eq + 1);
            break;
        }
        case kSilent:
            cl.misbehaviour.bSilent = true;
            break;
        case kDelay:
            if (!ParseInt(optarg, 0, 600000, value))
                return Fail("delay", optarg);
            cl.server.nDelayMs = static_cast<int>(value);
            break;
        case kPace:
            cl.server.bPace = true;
            break;
        case kBaud:
            if (!ParseInt(optarg, 50, 4000000, value))
                return Fail("baud rate", optarg);
            cl.server.nBaud = static_cast<int>(value);
            break;
        case kCorrupt:
            if (!ParseInt(optarg, 1, 1000000, value))
                return Fail("corrupt-checksum count", optarg);
            cl.misbehaviour.nCorruptEvery = static_cast<int>(value);
            break;
        case kDrop:
            if (!ParseInt(optarg, 1, 1000000, value))
                return Fail("drop-every count", optarg);
            cl.misbehaviour.nDropEvery = static_cast<int>(value);
            break;
        case kNoise:
            if (!ParseInt(optarg, 1, 4096, value))
                return Fail("noise count", optarg);
            cl.misbehaviour.nNoiseBefore = static_cast<int>(value);
            break;
        case kReplyAddress:
            if (!ParseAddress(optarg, cl.misbehaviour.replyAddress))
                return Fail("reply address", optarg);
            cl.misbehaviour.bReplyAddress = true;
            break;
        case kStray:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.nStrayWord = static_cast<int>(value);
            break;
        case kAnnounce:
            cl.misbehaviour.bAnnounce = true;
            break;
        case kAnnounceAfter:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.bAnnounce = true;
            cl.misbehaviour.wAnnounceAfter = static_cast<std::uint16_t>(value);
            break;
        case kVanish:
            if (!ParseInt(optarg, 1, 1000000000, value))
                return Fail("vanish-after count", optarg);
            cl.misbehaviour.nVanishAfter = static_cast<int>(value);
            break;
        case kResetBusy:
            if (!ParseInt(optarg, 0, 1000000, value))
                return Fail("request count", optarg);
            cl.misbehaviour.nResetSilence = static_cast<int>(value);
            break;
        case kIgnore:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.nIgnoreWord = static_cast<int>(value);
            break;
        case kChaos:
            if (!ParseInt(optarg, 0, 0x7FFFFFFF, value))
                return Fail("chaos seed", optarg);
            cl.misbehaviour.bChaos = true;
            cl.misbehaviour.nChaosSeed = static_cast<unsigned>(value);
            break;
        case kStrict:
            cl.misbehaviour.bStrict = true;
            break;
        case kLog:
            cl.logPath = optarg;
            break;
        case kHelp:
            std::fputs(kUsage, stdout);
            return 0;
        case kVersion:
            std::puts("sgsim (Kestrelon) " KESTRELON_VERSION);
            return 0;
        default:
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (optind < argc)
        return Fail("argument", argv[optind]);
    if (cl.tcp.nFixedBaud > 0 && !cl.tcp.bRfc2217)
        return Fail("option without --rfc2217", "--fixed-baud");
    return -1;
}

// The device's address, hot plug and EDIDs as the command line gives them.
bool SetUpDevice(const CCommandLine& cl, sgsim::CEmulator& emulator) {
    sgsim::CGeneratorState& state = emulator.Generator().State();
    state.address = cl.address;
    state.bHotPlug = cl.hotPlug;
    if (!cl.sinkEdidPath.empty()) {
        edid::Image image;
        if (!LoadEdid(cl.sinkEdidPath, image))
            return false;
        emulator.Generator().SetSinkEdid(image);
    }
    for (int i = 0; i < sgsim::kSavedEdids; ++i)
        if (!cl.savedEdidPaths[i].empty() && !LoadEdid(cl.savedEdidPaths[i], state.savedEdids[i]))
            return false;
    return true;
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

} // namespace

int main(int argc, char** argv) {
    CCommandLine cl;
    if (const int status = ParseCommandLine(argc, argv, cl); status >= 0)
        return status;

    sgsim::CEmulator emulator(cl.misbehaviour);
    if (!SetUpDevice(cl, emulator))
        return 1;
    if (const std::string refusal = sgsim::ApplySettings(cl.settings, emulator.Generator());
        !refusal.empty()) {
        std::fprintf(stderr, "sgsim: --set %s\n", refusal.c_str());
        return 2;
    }

    FILE* log = nullptr;
    if (cl.logPath == "-") {
        log = stderr;
    } else if (!cl.logPath.empty()) {
        log = std::fopen(cl.logPath.c_str(), "a");
        if (!log) {
            std::fprintf(stderr, "sgsim: cannot open %s: %s\n", cl.logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

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

    int status = 0;
    if (cl.onTcp) {
        sgsim::CTcpServer served(emulator, cl.server, cl.tcp);
        status = Serve(served, emulator, cl.misbehaviour, cl.server, stopFd, log,
                       [&served] { return served.Url(); });
    } else {
        sgsim::CPtyServer served(emulator, cl.server);
        status = Serve(served, emulator, cl.misbehaviour, cl.server, stopFd, log,
                       [&served] { return served.SlavePath(); });
    }
    if (log && log != stderr)
        std::fclose(log);
    return status;
}
