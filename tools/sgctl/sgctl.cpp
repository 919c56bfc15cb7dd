// sgctl's command line: the options of every command, the command, and its exit code.
#include "tools/sgctl/sgctl.h"

#include "kestrelon_version.h"
#include "tools/sgctl/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sgctl {

namespace {

const char kUsage[] =
    "usage: sgctl [--port COMn|N|DEVICE|URL] [--address G:D] [--timeout MS] [--log FILE] COMMAND\n"
    "             [ARGS]\n"
    "Drives the Kestrelon video test-signal generator over its serial line, for scripts and\n"
    "test rigs.\n"
    "\n"
    "Options:\n"
    "  --port COMn|N|DEVICE|URL\n"
    "                      the generator's port: a COM number (COM7, or 7 alone), resolved\n"
    "                      as the console does, a device path, or a serial device server's\n"
    "                      TCP port as socket://HOST:PORT (raw) or rfc2217://HOST:PORT\n"
    "                      (Telnet with the COM port control option); without it sgctl\n"
    "                      probes COM1..COM99 at once and takes the lowest that answers\n"
    "  --address G:D       device address, two hex bytes (default 00:00)\n"
    "  --timeout MS        how long a reply may take to begin (default 400, the search's\n"
    "                      window too)\n"
    "  --log FILE          every frame sent and received, one line each with a timestamp,\n"
    "                      appended to FILE (- for standard error)\n"
    "  --help              this text (COMMAND --help: about a command)\n"
    "  --version           the version\n"
    "\n"
    "Commands:\n"
    "  search [--all [--json]] [--verbose]\n"
    "                            print the port where the generator answers (COM5); --all:\n"
    "                            every generator, with its device address\n"
    "  status [--json] [--watch SECONDS]\n"
    "                            read the whole state back, in the status panel's words;\n"
    "                            --watch: a line each time it changes, until interrupted\n"
    "  set KEY VALUE             set timing, pattern, color_space, color_depth, hdcp,\n"
    "                            hdmi_dvi, sample_rate, audio_bits, audio_source or channel\n"
    "                            to a code or a name, and check that the generator took it\n"
    "  set KEY --list            the codes of KEY and every name of each\n"
    "  output hdmi|sdi           select the output\n"
    "  signal on|off             switch the signal on or off\n"
    "  reset                     back to the factory settings\n"
    "  user-timing get SLOT [--json]\n"
    "  user-timing set SLOT --clock MHZ --h-active N --h-blank N --hs-offset N --hs-width N\n"
    "                  --v-active N --v-blank N --vs-offset N --vs-width N\n"
    "                  [--interlaced] [--hsync +|-] [--vsync +|-]\n"
    "  user-timing set SLOT --from FORMULA SIZE@RATE|ID [OPTIONS]\n"
    "                            read or store user timing SLOT 1..10\n"
    "  timing calc FORMULA SIZE@RATE|ID [--interlaced] [--json] [--video-optimized]\n"
    "              [--hblank N] [--early-vsync]\n"
    "                            compute a CVT, GTF, DMT or CTA-861 timing (no port)\n"
    "  edid read [--saved N] [-o FILE] [--decode]\n"
    "                            read the display's EDID or saved EDID N (1..6)\n"
    "  raw WORD [HEXBYTES]       send any request frame, print the reply frame\n"
    "  plan run PLAN [--report FILE.json] [--junit FILE.xml] [--no-prompt] [--stop-on-fail]\n"
    "                            run a test plan, each setting confirmed, with a report\n"
    "  plan check PLAN           check a plan and print its steps (no port)\n"
    "  plan from-edid EDID_FILE [--pattern NAME]... [--dwell S] [-o PLAN]\n"
    "                            a plan of the generator's timings the EDID claims (no port)\n"
    "\n"
    "Exit status: 0 done; 2 usage error, or input the console itself refuses; 3 no answer in\n"
    "time (a silent port, no generator); 4 the generator answered differently than asked;\n"
    "5 port error (missing, busy, no permission, gone, unreachable, line settings refused);\n"
    "6 a file that cannot be read or written (a plan, an EDID, a report, the log).\n"
    "plan run: 0 every step passed (or was skipped); 1 a step failed; 2 the plan or the\n"
    "command line is invalid; 3 no answer; 5 port error; 6 a file that cannot be read or\n"
    "written.\n";

struct CCommand {
    const char* name;
    int (*run)(const Args&, CSession&);
};

const CCommand kCommands[] = {
    {"search", CmdSearch},          {"status", CmdStatus}, {"set", CmdSet},
    {"output", CmdOutput},          {"signal", CmdSignal}, {"reset", CmdReset},
    {"user-timing", CmdUserTiming}, {"edid", CmdEdid},     {"raw", CmdRaw},
    {"timing", CmdTiming},          {"plan", CmdPlan},
};

bool ParseAddress(const std::string& text, frame::DeviceAddress& address) {
    unsigned group = 0, device = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x%c", &group, &device, &extra) != 2)
        return false;
    address = {static_cast<std::uint8_t>(group), static_cast<std::uint8_t>(device)};
    return true;
}

int Usage(std::ostream& err, const std::string& message) {
    err << "sgctl: " << message << "\n" << kTryHelp << "\n";
    return kExitUsage;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return Run(args, out, err, CTerminal());
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const CTerminal& terminal) {
    COptions options;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        std::string a = args[i];
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return kExitDone;
        }
        if (a == "--version") {
            out << "sgctl (Kestrelon) " KESTRELON_VERSION "\n";
            return kExitDone;
        }
        if (a.compare(0, 2, "--") != 0)
            break;
        // --name VALUE or --name=VALUE
        std::string value;
        const std::size_t eq = a.find('=');
        if (eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
        } else if (a == "--port" || a == "--address" || a == "--timeout" || a == "--log") {
            if (i + 1 >= args.size())
                return Usage(err, a + " needs a value");
            value = args[++i];
        }
        if (a == "--port") {
            if (value.empty())
                return Usage(err, "--port needs a COM number, a device or a URL");
            // A bare number is a COM number, as the console's port list shows them.
            if (value.find_first_not_of("0123456789") == std::string::npos) {
                const long n = value.size() <= 2 ? std::strtol(value.c_str(), nullptr, 10) : 0;
                if (n < 1)
                    return Usage(err, "--port " + value + ": the COM numbers are 1..99");
                value = "COM" + std::to_string(n);
            }
            options.strPort = value;
        } else if (a == "--address") {
            if (!ParseAddress(value, options.address))
                return Usage(err, "--address takes two hex bytes G:D, not " + value);
        } else if (a == "--timeout") {
            char* end = nullptr;
            const long ms = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || ms < 1 || ms > 60000)
                return Usage(err, "--timeout takes 1..60000 milliseconds, not " + value);
            options.nTimeoutMs = static_cast<int>(ms);
            options.bTimeoutGiven = true;
        } else if (a == "--log") {
            if (value.empty())
                return Usage(err, "--log needs a file (- for standard error)");
            options.strLog = value;
        } else {
            return Usage(err, "unknown option " + a);
        }
    }
    if (i >= args.size())
        return Usage(err, "no COMMAND given");
    const std::string command = args[i];
    const Args commandArgs(args.begin() + static_cast<long>(i) + 1, args.end());
    for (const CCommand& c : kCommands) {
        if (command != c.name)
            continue;
        for (const std::string& a : commandArgs) {
            if (a == "--help" || a == "-h") {
                out << CommandUsage(command);
                return kExitDone;
            }
        }
        CSession session(options, out, err, terminal);
        if (!session.OpenLog())
            return kExitFile;
        try {
            return c.run(commandArgs, session);
        } catch (const CFailure& failure) {
            out.flush();
            err << "sgctl: " << failure.what();
            const std::string text = failure.what();
            if (text.empty() || text.back() != '\n')
                err << "\n";
            return failure.ExitCode();
        }
    }
    return Usage(err, "unknown COMMAND " + command);
}

} // namespace sgctl
