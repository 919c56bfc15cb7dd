// What one run of sgctl holds: the options that apply to every command, the frame log, and the
// generator (link/generator_client.h), connected on first use (the port given, or the first that
// answers the device search).
#pragma once

#include "link/frame.h"
#include "link/generator_client.h"
#include "tools/sgctl/sgctl.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace sgctl {

using client::CFailure;
using client::kExitDifferent;
using client::kExitDone;
using client::kExitNoAnswer;
using client::kExitPort;
using client::kExitUsage;
// A file that cannot be read or written: a plan, an EDID, a report, the log.
constexpr int kExitFile = 6;
// What follows the one line of a usage error.
constexpr const char kTryHelp[] = "Try 'sgctl --help'.";

struct COptions {
    std::string strPort; // "COM5", or a device path or URL; empty: search
    frame::DeviceAddress address;
    int nTimeoutMs = 400;
    bool bTimeoutGiven = false; // the search then waits as long on every port
    std::string strLog;         // "-" for standard error
};

class CSession {
public:
    CSession(const COptions& options, std::ostream& out, std::ostream& err,
             const CTerminal& terminal = CTerminal());
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Opens the log file; false with a message on err when it cannot be written.
    bool OpenLog();

    // The generator: on the --port given, opened, or on the first port that answers the search.
    // Throws a port failure (the port given does not open) or a missing answer (nothing answered
    // the search).
    client::CGeneratorClient& Generator();
    // The search alone, as `sgctl search` runs it: over COM1..COM99 (probed gets what became
    // of each port), or on the --port given.
    client::CGeneratorClient& Search(std::vector<client::Probed>* probed = nullptr);
    // Every generator of COM1..COM99, staying on none.
    void SearchAll(std::vector<client::Probed>& probed);
    // Throws the failure of a result that is not done.
    static void Check(const client::Result& result);

    std::ostream& out;
    std::ostream& err;
    const COptions& options;
    const CTerminal terminal;

private:
    std::FILE* m_logFile = nullptr;
    bool m_bOwnLog = false;
    client::CFrameLog m_log;
    client::CGeneratorClient m_client;
    bool m_bConnected = false;
};

} // namespace sgctl
