// What one run of sgctl holds: the options that apply to every command, the frame log, and the
// line to the generator, connected on first use (the port given, or the first that answers the
// device search).
#pragma once

#include "link/frame.h"
#include "tools/sgctl/line.h"

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

namespace sgctl {

struct COptions {
    std::string strPort; // "COM5", or a device path; empty: search
    frame::DeviceAddress address;
    int nTimeoutMs = 400;
    bool bTimeoutGiven = false; // the search then waits as long on every port
    std::string strLog;         // "-" for standard error
};

// The COM number of "COM5" / "com5" (1..99); 0 for anything else, which names a device path.
int ComNumber(const std::string& port);

class CSession {
public:
    CSession(const COptions& options, std::ostream& out, std::ostream& err);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Opens the log file; false with a message on err when it cannot be written.
    bool OpenLog();

    // The line to the generator: the --port given, opened, or the first port that answers the
    // search. Throws a port failure (the port given does not open) or a missing answer (nothing
    // answered the search).
    CLine& Line();
    // The search alone, as `sgctl search` runs it: over COM1..COM99, or on the --port given.
    CLine& Search();
    bool HdmiOutput(); // asks the generator which output is selected

    std::ostream& out;
    std::ostream& err;
    const COptions& options;

private:
    // The console's windows (300 ms on the first port that opens, 400 ms on each later one), or
    // the --timeout given.
    int ProbeWindow(bool firstPort) const;
    // Sends the search frame and waits for the answer "found" (from any address).
    bool Probe(CLine& line, int windowMs);
    [[noreturn]] void OpenFailure(const std::string& name, const std::string& device,
                                  const serial::Error& error);

    std::FILE* m_logFile = nullptr;
    bool m_bOwnLog = false;
    CFrameLog m_log;
    std::unique_ptr<CLine> m_line;
    bool m_bConnected = false;
};

} // namespace sgctl
