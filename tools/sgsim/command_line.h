// sgsim's command line: the options every system shares, read into what they ask for. Each
// system says which options it knows and which of them it refuses, and gives the first part of
// the usage text (options_posix.cpp, options_win.cpp); an option this system does not know is a
// usage error, one it refuses ends sgsim with one line that says why.
#pragma once

#include "link/frame.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/initial_state.h"
#include "tools/sgsim/server_options.h"
#include "tools/sgsim/tcp_server.h"

#include <cstdio>
#include <string>
#include <vector>

namespace sgsim {

// What the command line asks for.
struct CCommandLine {
    CServerOptions server;
    CTcpOptions tcp;
    bool onTcp = false;
    std::string strSerialPort; // serve on this serial port (a device path the serial layer opens)
    CMisbehaviour misbehaviour;
    frame::DeviceAddress address{0x01, 0x01};
    bool exitWithParent = false;
    bool hotPlug = true;
    std::string sinkEdidPath, logPath;
    std::string savedEdidPaths[kSavedEdids];
    std::vector<Setting> settings;
};

// The options, as the systems' parts name them.
enum Option {
    kOptCom = 1000,
    kOptPortsDir,
    kOptForce,
    kOptTcp,
    kOptRfc2217,
    kOptFixedBaud,
    kOptSerialPort,
    kOptExitWithParent,
    kOptPid,
    kOptAddress,
    kOptSinkEdid,
    kOptSavedEdid,
    kOptNoHotplug,
    kOptSet,
    kOptSilent,
    kOptDelay,
    kOptPace,
    kOptBaud,
    kOptCorrupt,
    kOptDrop,
    kOptNoise,
    kOptReplyAddress,
    kOptStray,
    kOptAnnounce,
    kOptAnnounceAfter,
    kOptVanish,
    kOptResetBusy,
    kOptIgnore,
    kOptChaos,
    kOptStrict,
    kOptLog,
    kOptHelp,
    kOptVersion
};

// --- This system's part (options_posix.cpp, options_win.cpp) --------------------------------

// The usage text up to the device options: what sgsim does here, and its port options.
extern const char kUsagePort[];
// Whether this system knows the option at all.
bool OptionKnown(int option);
// Why this system refuses an option it knows (one line, no line end); nullptr when it takes it.
const char* OptionRefusal(int option);
// "COMn" (or whatever names a serial port here) to what the serial layer opens; empty when the
// text names no port.
std::string SerialPortPath(const std::string& text);

// --- Shared ----------------------------------------------------------------------------------

// The whole usage text.
void PrintUsage(std::FILE* out);

// Reads the options into cl; -1 to go on, else the exit status (help, version, a bad or refused
// option).
int ParseCommandLine(int argc, char** argv, CCommandLine& cl);

// The device's address, hot plug and EDIDs as the command line gives them; false (said on
// standard error) when an EDID file cannot be used.
bool SetUpDevice(const CCommandLine& cl, CEmulator& emulator);

// Opens the frame log the command line names (- is standard error); nullptr with ok still true
// when none is asked for, with ok false (said on standard error) when it cannot be opened.
std::FILE* OpenFrameLog(const CCommandLine& cl, bool& ok);

} // namespace sgsim
