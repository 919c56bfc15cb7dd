// The shared part of sgsim's command line: the option table, reading the options, the device
// they describe and the frame log.
#include "tools/sgsim/command_line.h"

#include "tools/sgsim/edid_file.h"
#include "kestrelon_version.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

namespace sgsim {

namespace {

// The usage text after the port options, the same on every system.
const char kUsageDevice[] =
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
    const CEdidFileResult r = ReadEdidFile(path, image);
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
    std::fprintf(stderr, "sgsim: bad %s: %s\n", what, arg);
    PrintUsage(stderr);
    return 2;
}

// Every option; a system's table is the ones it knows.
const option kAllOptions[] = {
    {"com", required_argument, nullptr, kOptCom},
    {"ports-dir", required_argument, nullptr, kOptPortsDir},
    {"force", no_argument, nullptr, kOptForce},
    {"tcp", required_argument, nullptr, kOptTcp},
    {"rfc2217", required_argument, nullptr, kOptRfc2217},
    {"fixed-baud", required_argument, nullptr, kOptFixedBaud},
    {"serial", required_argument, nullptr, kOptSerialPort},
    {"exit-with-parent", no_argument, nullptr, kOptExitWithParent},
    {"pid", required_argument, nullptr, kOptPid},
    {"address", required_argument, nullptr, kOptAddress},
    {"sink-edid", required_argument, nullptr, kOptSinkEdid},
    {"saved-edid", required_argument, nullptr, kOptSavedEdid},
    {"no-hotplug", no_argument, nullptr, kOptNoHotplug},
    {"set", required_argument, nullptr, kOptSet},
    {"silent", no_argument, nullptr, kOptSilent},
    {"delay", required_argument, nullptr, kOptDelay},
    {"pace", no_argument, nullptr, kOptPace},
    {"baud", required_argument, nullptr, kOptBaud},
    {"corrupt-checksum", required_argument, nullptr, kOptCorrupt},
    {"drop-every", required_argument, nullptr, kOptDrop},
    {"noise", required_argument, nullptr, kOptNoise},
    {"reply-address", required_argument, nullptr, kOptReplyAddress},
    {"stray", required_argument, nullptr, kOptStray},
    {"announce", no_argument, nullptr, kOptAnnounce},
    {"announce-after", required_argument, nullptr, kOptAnnounceAfter},
    {"vanish-after", required_argument, nullptr, kOptVanish},
    {"reset-busy", required_argument, nullptr, kOptResetBusy},
    {"ignore", required_argument, nullptr, kOptIgnore},
    {"chaos", required_argument, nullptr, kOptChaos},
    {"strict", no_argument, nullptr, kOptStrict},
    {"log", required_argument, nullptr, kOptLog},
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
};

std::vector<option> KnownOptions() {
    std::vector<option> known;
    for (const option& o : kAllOptions)
        if (OptionKnown(o.val))
            known.push_back(o);
    known.push_back({nullptr, 0, nullptr, 0});
    return known;
}

} // namespace

void PrintUsage(std::FILE* out) {
    std::fputs(kUsagePort, out);
    std::fputs(kUsageDevice, out);
}

// Reads the options into cl; -1 to go on, else the exit status (help, version, a bad option).
int ParseCommandLine(int argc, char** argv, CCommandLine& cl) {
    static const std::vector<option> kOptions = KnownOptions();
    long value = 0;

    int opt;
    while ((opt = getopt_long(argc, argv, "", kOptions.data(), nullptr)) != -1) {
        if (const char* refusal = OptionRefusal(opt)) {
            std::fprintf(stderr, "sgsim: %s\n", refusal);
            return 2;
        }
        switch (opt) {
        case kOptCom:
            if (!ParseInt(optarg, 1, 99, value))
                return Fail("COM number", optarg);
            cl.server.nCom = static_cast<int>(value);
            break;
        case kOptPortsDir:
            cl.server.strPortsDir = optarg;
            break;
        case kOptForce:
            cl.server.bForce = true;
            break;
        case kOptTcp:
        case kOptRfc2217:
            if (cl.onTcp || !cl.strSerialPort.empty())
                return Fail("second endpoint", optarg);
            if (!ParseListenAddress(optarg, cl.tcp.strHost, cl.tcp.nPort))
                return Fail("endpoint (HOST:PORT)", optarg);
            cl.tcp.bRfc2217 = opt == kOptRfc2217;
            cl.onTcp = true;
            break;
        case kOptFixedBaud:
            if (!ParseInt(optarg, 50, 4000000, value))
                return Fail("baud rate", optarg);
            cl.tcp.nFixedBaud = static_cast<int>(value);
            break;
        case kOptSerialPort:
            if (cl.onTcp || !cl.strSerialPort.empty())
                return Fail("second endpoint", optarg);
            cl.strSerialPort = SerialPortPath(optarg);
            if (cl.strSerialPort.empty())
                return Fail("serial port", optarg);
            break;
        case kOptExitWithParent:
            cl.exitWithParent = true;
            break;
        case kOptPid:
            if (!ParseInt(optarg, 1, 0x7FFFFFFF, value))
                return Fail("process id", optarg);
            cl.server.watchPid = static_cast<pid_t>(value);
            break;
        case kOptAddress:
            if (!ParseAddress(optarg, cl.address))
                return Fail("address", optarg);
            break;
        case kOptSinkEdid:
            cl.sinkEdidPath = optarg;
            break;
        case kOptSavedEdid: {
            const char* eq = std::strchr(optarg, '=');
            const std::string slot =
                eq ? std::string(optarg, static_cast<std::size_t>(eq - optarg)) : "";
            if (!eq || !ParseInt(slot.c_str(), 1, kSavedEdids, value) || !eq[1])
                return Fail("saved EDID (N=FILE, N 1..6)", optarg);
            cl.savedEdidPaths[value - 1] = eq + 1;
            break;
        }
        case kOptNoHotplug:
            cl.hotPlug = false;
            break;
        case kOptSet: {
            const char* eq = std::strchr(optarg, '=');
            if (!eq || eq == optarg)
                return Fail("setting (KEY=VALUE)", optarg);
            cl.settings.emplace_back(std::string(optarg, static_cast<std::size_t>(eq - optarg)),
                                     eq + 1);
            break;
        }
        case kOptSilent:
            cl.misbehaviour.bSilent = true;
            break;
        case kOptDelay:
            if (!ParseInt(optarg, 0, 600000, value))
                return Fail("delay", optarg);
            cl.server.nDelayMs = static_cast<int>(value);
            break;
        case kOptPace:
            cl.server.bPace = true;
            break;
        case kOptBaud:
            if (!ParseInt(optarg, 50, 4000000, value))
                return Fail("baud rate", optarg);
            cl.server.nBaud = static_cast<int>(value);
            break;
        case kOptCorrupt:
            if (!ParseInt(optarg, 1, 1000000, value))
                return Fail("corrupt-checksum count", optarg);
            cl.misbehaviour.nCorruptEvery = static_cast<int>(value);
            break;
        case kOptDrop:
            if (!ParseInt(optarg, 1, 1000000, value))
                return Fail("drop-every count", optarg);
            cl.misbehaviour.nDropEvery = static_cast<int>(value);
            break;
        case kOptNoise:
            if (!ParseInt(optarg, 1, 4096, value))
                return Fail("noise count", optarg);
            cl.misbehaviour.nNoiseBefore = static_cast<int>(value);
            break;
        case kOptReplyAddress:
            if (!ParseAddress(optarg, cl.misbehaviour.replyAddress))
                return Fail("reply address", optarg);
            cl.misbehaviour.bReplyAddress = true;
            break;
        case kOptStray:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.nStrayWord = static_cast<int>(value);
            break;
        case kOptAnnounce:
            cl.misbehaviour.bAnnounce = true;
            break;
        case kOptAnnounceAfter:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.bAnnounce = true;
            cl.misbehaviour.wAnnounceAfter = static_cast<std::uint16_t>(value);
            break;
        case kOptVanish:
            if (!ParseInt(optarg, 1, 1000000000, value))
                return Fail("vanish-after count", optarg);
            cl.misbehaviour.nVanishAfter = static_cast<int>(value);
            break;
        case kOptResetBusy:
            if (!ParseInt(optarg, 0, 1000000, value))
                return Fail("request count", optarg);
            cl.misbehaviour.nResetSilence = static_cast<int>(value);
            break;
        case kOptIgnore:
            if (!ParseInt(optarg, 0, 0xFFFF, value, 16))
                return Fail("command word", optarg);
            cl.misbehaviour.nIgnoreWord = static_cast<int>(value);
            break;
        case kOptChaos:
            if (!ParseInt(optarg, 0, 0x7FFFFFFF, value))
                return Fail("chaos seed", optarg);
            cl.misbehaviour.bChaos = true;
            cl.misbehaviour.nChaosSeed = static_cast<unsigned>(value);
            break;
        case kOptStrict:
            cl.misbehaviour.bStrict = true;
            break;
        case kOptLog:
            cl.logPath = optarg;
            break;
        case kOptHelp:
            PrintUsage(stdout);
            return 0;
        case kOptVersion:
            std::puts("sgsim (Kestrelon) " KESTRELON_VERSION);
            return 0;
        default:
            PrintUsage(stderr);
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
bool SetUpDevice(const CCommandLine& cl, CEmulator& emulator) {
    CGeneratorState& state = emulator.Generator().State();
    state.address = cl.address;
    state.bHotPlug = cl.hotPlug;
    if (!cl.sinkEdidPath.empty()) {
        edid::Image image;
        if (!LoadEdid(cl.sinkEdidPath, image))
            return false;
        emulator.Generator().SetSinkEdid(image);
    }
    for (int i = 0; i < kSavedEdids; ++i)
        if (!cl.savedEdidPaths[i].empty() && !LoadEdid(cl.savedEdidPaths[i], state.savedEdids[i]))
            return false;
    return true;
}

std::FILE* OpenFrameLog(const CCommandLine& cl, bool& ok) {
    ok = true;
    if (cl.logPath == "-")
        return stderr;
    if (cl.logPath.empty())
        return nullptr;
    std::FILE* log = std::fopen(cl.logPath.c_str(), "a");
    if (!log) {
        std::fprintf(stderr, "sgsim: cannot open %s: %s\n", cl.logPath.c_str(),
                     std::strerror(errno));
        ok = false;
    }
    return log;
}

} // namespace sgsim
