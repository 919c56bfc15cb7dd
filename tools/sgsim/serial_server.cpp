// One loop: write what is due, read what has arrived (a short read timeout is the wait), give a
// quiet partial request up, and look at the stop object and the watched process.
#include "tools/sgsim/serial_server.h"

#include "tools/sgsim/server_os.h"

#include <algorithm>

namespace sgsim {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(200);
constexpr auto kBlockedOutputLimit = std::chrono::seconds(1);
// The longest the loop waits in a read before it looks at the stop object again.
constexpr int kLongestWaitMs = 20;
// A reply the line does not take within this much (per byte, plus once) is dropped.
constexpr std::uint32_t kWriteMsPerByte = 1, kWriteMs = 1000;

std::string Describe(const serial::Error& e) {
    return e.text.empty() ? std::string(serial::CauseName(e.cause)) : e.text;
}

} // namespace

CSerialServer::CSerialServer(CEmulator& emulator, CServerOptions options, std::string path)
    : m_emulator(emulator), m_options(std::move(options)), m_strPath(std::move(path)),
      m_replies(m_options.nDelayMs, m_options.bPace, m_options.nBaud, kBlockedOutputLimit) {}

CSerialServer::~CSerialServer() {
    Close();
}

void CSerialServer::SetFrameLog(std::function<void(const std::string&)> sink) {
    m_frameLog.Attach(m_emulator, std::move(sink));
}

bool CSerialServer::Open(std::string& error) {
    m_frameLog.Start();
    serial::PortState state;
    serial::Error e = m_port.Open(m_strPath);
    if (!e) {
        m_nReadWaitMs = kLongestWaitMs;
        e = m_port.SetTimeouts(
            {0, 0, static_cast<std::uint32_t>(m_nReadWaitMs), kWriteMsPerByte, kWriteMs});
    }
    if (!e)
        e = m_port.GetState(state);
    if (!e) {
        state.line = serial::LineSettings{m_options.nBaud, 'N', 8, 1};
        e = m_port.SetState(state);
    }
    if (!e)
        e = m_port.Purge();
    if (e) {
        error = "cannot serve on " + m_strPath + ": " + Describe(e);
        m_port.Close();
        return false;
    }
    return true;
}

void CSerialServer::Close() {
    m_port.Close();
    m_replies.Clear();
}

bool CSerialServer::ReadInput(int waitMs, Clock::time_point& lastInput) {
    if (waitMs != m_nReadWaitMs) {
        if (const serial::Error e = m_port.SetTimeouts(
                {0, 0, static_cast<std::uint32_t>(waitMs), kWriteMsPerByte, kWriteMs})) {
            m_strError = m_strPath + ": " + Describe(e);
            return false;
        }
        m_nReadWaitMs = waitMs;
    }
    std::size_t queued = 0;
    if (const serial::Error e = m_port.InputQueueCount(queued)) {
        m_strError = m_strPath + ": " + Describe(e);
        return false;
    }
    // Everything queued, or the first byte to come within the wait.
    FrameBytes input;
    for (std::size_t i = 0; i < std::max<std::size_t>(queued, 1); ++i) {
        std::uint8_t byte = 0;
        bool got = false;
        if (const serial::Error e = m_port.ReadByte(byte, got)) {
            m_strError = m_strPath + ": " + Describe(e);
            return false;
        }
        if (!got)
            break;
        input.push_back(byte);
    }
    if (!input.empty()) {
        lastInput = Clock::now();
        m_replies.Add(m_emulator.Feed(input), lastInput);
    }
    return true;
}

CSerialServer::End CSerialServer::Run(StopHandle stop) {
    if (!m_port.IsOpen())
        return End::Error;
    Clock::time_point lastInput = Clock::now();
    Clock::time_point nextWatch = Clock::now();
    const auto writer = [this](const std::uint8_t* bytes, std::size_t count) -> ssize_t {
        // A line that does not take the reply in time loses it, as a real line would.
        return m_port.Write(bytes, count) ? -1 : static_cast<ssize_t>(count);
    };
    for (;;) {
        Clock::time_point now = Clock::now();
        m_replies.WriteDue(now, writer, [this, now](const FrameBytes& b, const std::string& note) {
            m_frameLog.Sent(now, b, note);
        });
        if (m_emulator.VanishDue() && m_replies.Empty()) {
            Close();
            return End::Vanished;
        }
        if (os::WaitForStop(stop, 0))
            return End::Stopped;
        if (m_options.watchPid > 0 && now >= nextWatch) {
            if (os::ProcessGone(m_options.watchPid))
                return End::WatchedProcessGone;
            nextWatch = now + kWatchInterval;
        }

        Clock::time_point wake = now + std::chrono::milliseconds(kLongestWaitMs);
        if (!m_replies.Empty())
            wake = std::min(wake, m_replies.NextDue());
        if (m_emulator.InFrame())
            wake = std::min(wake, lastInput + std::chrono::milliseconds(m_options.nIdleResetMs));
        const auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        if (!ReadInput(static_cast<int>(std::clamp<long long>(waitMs, 1, kLongestWaitMs)),
                       lastInput))
            return End::Error;
        now = Clock::now();
        if (m_emulator.InFrame() &&
            now - lastInput >= std::chrono::milliseconds(m_options.nIdleResetMs))
            m_replies.Add(m_emulator.Abandon(), now);
    }
}

} // namespace sgsim
