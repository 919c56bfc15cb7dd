// The port of a run: the one given, or the one the device search finds.
#include "tools/sgctl/session.h"

#include "link/command_words.h"
#include "platform/serial/open_failure.h"
#include "platform/serial/port_map.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace sgctl {

namespace {

// The search's windows: the first port that opens, each later one.
constexpr int kFirstProbeMs = 300;
constexpr int kLaterProbeMs = 400;
constexpr int kLastCom = 99;

std::string ComName(int n) {
    return "COM" + std::to_string(n);
}

} // namespace

int ComNumber(const std::string& port) {
    if (port.size() < 4 || port.size() > 5 ||
        std::tolower(static_cast<unsigned char>(port[0])) != 'c' ||
        std::tolower(static_cast<unsigned char>(port[1])) != 'o' ||
        std::tolower(static_cast<unsigned char>(port[2])) != 'm')
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < port.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(port[i])))
            return 0;
        n = n * 10 + (port[i] - '0');
    }
    return n >= 1 && n <= kLastCom ? n : 0;
}

CSession::CSession(const COptions& o, std::ostream& o_out, std::ostream& o_err)
    : out(o_out), err(o_err), options(o) {}

CSession::~CSession() {
    m_line.reset();
    if (m_bOwnLog && m_logFile)
        std::fclose(m_logFile);
}

bool CSession::OpenLog() {
    if (options.strLog.empty())
        return true;
    if (options.strLog == "-") {
        m_logFile = stderr;
    } else {
        // Appended, so that the runs of a script collect in one file.
        m_logFile = std::fopen(options.strLog.c_str(), "a");
        if (!m_logFile) {
            err << "sgctl: cannot write the log " << options.strLog << ": " << std::strerror(errno)
                << "\n";
            return false;
        }
        m_bOwnLog = true;
    }
    m_log = CFrameLog(m_logFile);
    return true;
}

void CSession::OpenFailure(const std::string& name, const std::string& device,
                           const serial::Error& error) {
    std::string message = name;
    if (device.empty()) {
        message += ": no such port (nothing in the port map, no such serial device)";
    } else {
        if (device != name)
            message += " (" + device + ")";
        message += ": ";
        message += serial::CauseName(error.cause);
        if (!error.text.empty() && error.text != serial::CauseName(error.cause))
            message += " (" + error.text + ")";
        const std::string advice = serial::ExplainOpenFailure(error, device);
        if (!advice.empty())
            message += "\nsgctl: " + advice;
    }
    throw CFailure(kExitPort, message);
}

int CSession::ProbeWindow(bool firstPort) const {
    if (options.bTimeoutGiven)
        return options.nTimeoutMs;
    return firstPort ? kFirstProbeMs : kLaterProbeMs;
}

bool CSession::Probe(CLine& line, int windowMs) {
    CAwait await;
    await.wWord = cmd::Search;
    await.nMinPayload = 2;
    await.bAnyAddress = true; // the console's search takes an answer from any generator
    await.accept = [](const CReply& r) { return r.Payload()[0] == 0x00 && r.Payload()[1] == 0x00; };
    line.Send(cmd::Search, {}, "search " + line.Name());
    CReply reply;
    return line.Await(await, windowMs, reply);
}

CLine& CSession::Search() {
    if (m_bConnected)
        return *m_line;
    m_line = std::make_unique<CLine>(options.address, options.nTimeoutMs, m_log);
    if (!options.strPort.empty()) {
        const int n = ComNumber(options.strPort);
        const std::string device = n ? serial::ResolveComPort(n) : options.strPort;
        const serial::Error e = m_line->Open(options.strPort, device);
        if (e)
            OpenFailure(options.strPort, device, e);
        if (!Probe(*m_line, ProbeWindow(true))) {
            const std::string ignored = m_line->Ignored();
            throw CFailure(kExitNoAnswer, options.strPort + ": no generator answered the search" +
                                              (ignored.empty() ? "" : "; " + ignored));
        }
        m_bConnected = true;
        return *m_line;
    }
    // COM1 up, as the console searches: a port that does not open is skipped at once.
    std::string silent;
    bool first = true;
    for (int n = 1; n <= kLastCom; ++n) {
        const std::string device = serial::ResolveComPort(n);
        if (device.empty() || m_line->Open(ComName(n), device))
            continue;
        const bool found = Probe(*m_line, ProbeWindow(first));
        first = false;
        if (found) {
            m_bConnected = true;
            return *m_line;
        }
        m_line->Close();
        silent += (silent.empty() ? "" : ", ") + ComName(n);
    }
    throw CFailure(kExitNoAnswer, "no generator answered the search on COM1..COM99" +
                                      (silent.empty() ? std::string(" (no port opened)")
                                                      : " (no answer on " + silent + ")"));
}

CLine& CSession::Line() {
    if (m_bConnected)
        return *m_line;
    if (options.strPort.empty())
        return Search();
    m_line = std::make_unique<CLine>(options.address, options.nTimeoutMs, m_log);
    const int n = ComNumber(options.strPort);
    const std::string device = n ? serial::ResolveComPort(n) : options.strPort;
    const serial::Error e = m_line->Open(options.strPort, device);
    if (e)
        OpenFailure(options.strPort, device, e);
    m_bConnected = true;
    return *m_line;
}

bool CSession::HdmiOutput() {
    return Line().Query(cmd::QueryOutputInterface, "the output interface query") == 0;
}

} // namespace sgctl
