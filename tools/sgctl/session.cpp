// The generator of a run: on the port given, or on the one the device search finds.
#include "tools/sgctl/session.h"

#include <cerrno>
#include <cstring>

namespace sgctl {

namespace {

client::Options ClientOptions(const COptions& o, client::CFrameLog& log) {
    client::Options c;
    c.address = o.address;
    c.timeoutMs = o.nTimeoutMs;
    c.timeoutGiven = o.bTimeoutGiven;
    c.log = &log;
    return c;
}

} // namespace

CSession::CSession(const COptions& o, std::ostream& o_out, std::ostream& o_err, const CTerminal& t)
    : out(o_out), err(o_err), options(o), terminal(t), m_client(ClientOptions(o, m_log)) {}

CSession::~CSession() {
    m_client.Close();
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
    m_log = client::CFrameLog(m_logFile);
    return true;
}

void CSession::Check(const client::Result& result) {
    if (result.Ok())
        return;
    // Every line of the message is sgctl's, the advice after the failure too.
    std::string message;
    std::size_t start = 0;
    for (std::size_t nl; (nl = result.message.find('\n', start)) != std::string::npos;
         start = nl + 1)
        message += result.message.substr(start, nl + 1 - start) + "sgctl: ";
    message += result.message.substr(start);
    throw CFailure(client::ExitCodeOf(result.outcome), message);
}

client::CGeneratorClient& CSession::Search(std::vector<client::Probed>* probed) {
    if (m_bConnected)
        return m_client;
    if (options.strPort.empty()) {
        Check(m_client.Search(probed));
    } else {
        Check(m_client.Open(options.strPort));
        Check(m_client.Probe());
    }
    m_bConnected = true;
    return m_client;
}

void CSession::SearchAll(std::vector<client::Probed>& probed) {
    Check(m_client.SearchAll(probed));
}

client::CGeneratorClient& CSession::Generator() {
    if (m_bConnected)
        return m_client;
    if (options.strPort.empty())
        return Search();
    Check(m_client.Open(options.strPort));
    m_bConnected = true;
    return m_client;
}

} // namespace sgctl
