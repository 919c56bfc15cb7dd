// One wait loop over the stop object, the listening socket and the client (server_os.h has the
// system's side). Replies wait in the reply queue (delay, pacing) and then in the connection's
// output, in the connection's form.
#include "tools/sgsim/tcp_server.h"

#include "tools/sgsim/server_os.h"

#include <algorithm>

namespace sgsim {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(200);
constexpr auto kBlockedOutputLimit = std::chrono::seconds(1);
constexpr auto kGoodbyeLimit = std::chrono::milliseconds(500);
// A client that reads nothing while this much waits for it is dropped.
constexpr std::size_t kMaxOutput = 1 << 20;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
    std::size_t colon;
    std::string h;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        h = text.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string::npos)
            return false;
        h = text.substr(0, colon);
        if (h.find(':') != std::string::npos)
            return false;
    }
    const std::string digits = text.substr(colon + 1);
    if (h.empty() || digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(digits);
    if (value > 65535)
        return false;
    host = h;
    port = value;
    return true;
}

CTcpServer::CTcpServer(CEmulator& emulator, CServerOptions options, CTcpOptions tcp)
    : m_emulator(emulator), m_options(std::move(options)), m_tcp(std::move(tcp)),
      m_replies(m_options.nDelayMs, m_options.bPace, m_options.nBaud, kBlockedOutputLimit) {}

CTcpServer::~CTcpServer() {
    Close();
}

void CTcpServer::SetFrameLog(std::function<void(const std::string&)> sink) {
    m_frameLog.Attach(m_emulator, std::move(sink));
}

bool CTcpServer::Open(std::string& error) {
    m_frameLog.Start();
    // After a vanish the server comes back on the port it had.
    const int port = m_nPort ? m_nPort : m_tcp.nPort;
    m_listen = os::Listen(m_tcp.strHost, port, m_nPort, error);
    if (m_listen == os::kNoSocket)
        return false;
    const bool v6 = m_tcp.strHost.find(':') != std::string::npos;
    m_strUrl = std::string(m_tcp.bRfc2217 ? "rfc2217://" : "socket://") +
               (v6 ? "[" + m_tcp.strHost + "]" : m_tcp.strHost) + ":" + std::to_string(m_nPort);
    if (!CreateComEntry(m_options.strPortsDir, m_options.nCom, m_options.bForce,
                        CComTarget{true, m_strUrl}, m_nCom, m_strLink, error)) {
        Close();
        return false;
    }
    error.clear();
    return true;
}

void CTcpServer::Close() {
    DropClient();
    os::CloseSocket(m_listen);
    m_listen = os::kNoSocket;
    RemoveComEntry(m_strLink, CComTarget{true, m_strUrl});
    m_strLink.clear();
}

void CTcpServer::Accept(Clock::time_point now) {
    const os::Socket s = os::Accept(m_listen);
    if (s == os::kNoSocket)
        return;
    DropClient();
    m_client = s;
    m_session = std::make_unique<CDeviceServerSession>(m_tcp.bRfc2217, m_tcp.nFixedBaud);
    m_lastInput = now;
}

void CTcpServer::DropClient() {
    os::CloseSocket(m_client);
    m_client = os::kNoSocket;
    m_session.reset();
    m_out.clear();
    m_replies.Clear();
    // A request cut short by the client's leaving is no request of the next client.
    if (m_emulator.InFrame())
        m_emulator.Abandon();
}

bool CTcpServer::ReadClient(Clock::time_point now) {
    std::uint8_t buffer[4096];
    const long n = os::Receive(m_client, buffer, sizeof buffer);
    if (n == os::kClosed || n == os::kFailed)
        return false;
    if (n == os::kWouldBlock)
        return true;
    FrameBytes data;
    m_session->Receive(buffer, static_cast<std::size_t>(n), data, m_out);
    if (m_tcp.bRfc2217)
        m_replies.SetBaud(m_session->Baud());
    if (!data.empty()) {
        m_lastInput = now;
        m_replies.Add(m_emulator.Feed(data.data(), data.size()), now);
    }
    return true;
}

bool CTcpServer::Flush() {
    while (!m_out.empty()) {
        const long n = os::Send(m_client, m_out.data(), m_out.size());
        if (n > 0) {
            m_out.erase(m_out.begin(), m_out.begin() + n);
            continue;
        }
        return n == os::kWouldBlock && m_out.size() <= kMaxOutput;
    }
    return true;
}

void CTcpServer::CloseGracefully() {
    if (m_client == os::kNoSocket)
        return;
    const auto deadline = Clock::now() + kGoodbyeLimit;
    std::string ignored;
    os::WaitFor room;
    room.client = m_client;
    room.read = false;
    room.write = true;
    while (!m_out.empty() && Flush() && RemainingMs(deadline) > 0)
        os::Wait(room, std::chrono::milliseconds(RemainingMs(deadline)), ignored);
    os::ShutdownSend(m_client);
    // Closing with input unread would reset the connection, and a reset may cost the client the
    // last reply it has not read yet.
    std::uint8_t buffer[512];
    os::WaitFor input;
    input.client = m_client;
    for (;;) {
        if (!(os::Wait(input, std::chrono::milliseconds(RemainingMs(deadline)), ignored) &
              os::kReadable))
            break;
        const long n = os::Receive(m_client, buffer, sizeof buffer);
        if (n == os::kClosed || n == os::kFailed)
            break;
    }
    DropClient();
}

CTcpServer::End CTcpServer::Run(StopHandle stop) {
    if (m_listen == os::kNoSocket)
        return End::Error;
    Clock::time_point nextWatch = Clock::now();
    const auto writer = [this](const std::uint8_t* bytes, std::size_t count) -> ssize_t {
        if (m_client == os::kNoSocket)
            return -1;
        if (m_out.size() > kMaxOutput)
            return 0;
        m_session->Send(bytes, count, m_out);
        return static_cast<ssize_t>(count);
    };
    for (;;) {
        Clock::time_point now = Clock::now();
        if (m_client != os::kNoSocket) {
            m_replies.WriteDue(now, writer,
                               [this, now](const FrameBytes& b, const std::string& note) {
                                   m_frameLog.Sent(now, b, note);
                               });
            if (!Flush())
                DropClient();
        }
        // Vanishing: the last reply goes out first, then the connection and the listening
        // socket close, so that a new connection is refused.
        if (m_emulator.VanishDue() && m_replies.Empty()) {
            CloseGracefully();
            Close();
            return End::Vanished;
        }
        if (m_options.watchPid > 0 && now >= nextWatch) {
            if (os::ProcessGone(m_options.watchPid))
                return End::WatchedProcessGone;
            nextWatch = now + kWatchInterval;
        }

        Clock::time_point wake = now + std::chrono::seconds(1);
        if (!m_replies.Empty())
            wake = std::min(wake, m_replies.NextDue());
        if (m_emulator.InFrame())
            wake = std::min(wake, m_lastInput + std::chrono::milliseconds(m_options.nIdleResetMs));
        if (m_options.watchPid > 0)
            wake = std::min(wake, nextWatch);

        os::WaitFor what;
        what.stop = stop;
        what.listening = m_client == os::kNoSocket ? m_listen : os::kNoSocket;
        what.client = m_client;
        what.write = !m_out.empty();
        const unsigned ready = os::Wait(what, wake - now, m_strError);
        if (ready & os::kWaitFailed)
            return End::Error;
        if (ready & os::kStopped)
            return End::Stopped;
        now = Clock::now();
        if (ready & os::kAcceptable)
            Accept(now);
        else if (ready & os::kReadable) {
            if (!ReadClient(now))
                DropClient();
        }
        if (m_client != os::kNoSocket && (ready & os::kWritable) && !Flush())
            DropClient();
        if (m_emulator.InFrame() &&
            now - m_lastInput >= std::chrono::milliseconds(m_options.nIdleResetMs))
            m_replies.Add(m_emulator.Abandon(), now);
    }
}

} // namespace sgsim
