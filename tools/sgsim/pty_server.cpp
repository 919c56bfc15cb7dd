// One poll loop over the stop descriptor and the pseudo-terminal master. Replies wait in a queue
// with the time their next byte is due (reply_queue.h), which is how the delay and the line-rate
// pacing work.
#include "tools/sgsim/pty_server.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sgsim {

namespace {

constexpr auto kHangUpBackoff = std::chrono::milliseconds(50);
constexpr auto kWatchInterval = std::chrono::milliseconds(200);
constexpr auto kBlockedOutputLimit = std::chrono::seconds(1);
constexpr auto kVanishSettle = std::chrono::milliseconds(20);
constexpr auto kVanishDrainLimit = std::chrono::milliseconds(500);

} // namespace

CPtyServer::CPtyServer(CEmulator& emulator, CServerOptions options)
    : m_emulator(emulator), m_options(std::move(options)),
      m_replies(m_options.nDelayMs, m_options.bPace, m_options.nBaud, kBlockedOutputLimit) {}

CPtyServer::~CPtyServer() {
    Close();
}

void CPtyServer::SetFrameLog(std::function<void(const std::string&)> sink) {
    m_frameLog.Attach(m_emulator, std::move(sink));
}

bool CPtyServer::Open(std::string& error) {
    m_frameLog.Start();
    m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    char name[128];
    if (ptsname_r(m_fdMaster, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    m_strSlave = name;
    const int flags = fcntl(m_fdMaster, F_GETFL);
    fcntl(m_fdMaster, F_SETFL, flags | O_NONBLOCK);
    fcntl(m_fdMaster, F_SETFD, FD_CLOEXEC);

    // The held slave descriptor is never read: it only keeps the slave side alive, so the master
    // sees no hang-up while the console has the port closed. It also starts the line raw, with
    // no echo and no XON/XOFF, as a serial line to the generator is.
    m_fdSlave = open(m_strSlave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fdSlave < 0) {
        error = "cannot open " + m_strSlave + ": " + std::strerror(errno);
        Close();
        return false;
    }
    termios tio;
    if (tcgetattr(m_fdSlave, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_iflag &= static_cast<tcflag_t>(~(IXON | IXOFF | IXANY));
        tio.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(m_fdSlave, TCSANOW, &tio);
    }
    if (!CreateLink(error)) {
        Close();
        return false;
    }
    return true;
}

bool CPtyServer::CreateLink(std::string& error) {
    return CreateComEntry(m_options.strPortsDir, m_options.nCom, m_options.bForce,
                          CComTarget{false, m_strSlave}, m_nCom, m_strLink, error);
}

void CPtyServer::Close() {
    RemoveComEntry(m_strLink, CComTarget{false, m_strSlave});
    m_strLink.clear();
    if (m_fdSlave >= 0)
        close(m_fdSlave);
    if (m_fdMaster >= 0)
        close(m_fdMaster);
    m_fdSlave = -1;
    m_fdMaster = -1;
    m_replies.Clear();
}

bool CPtyServer::WriteDue(Clock::time_point now) {
    return m_replies.WriteDue(
        now,
        [this](const std::uint8_t* bytes, std::size_t count) -> ssize_t {
            const ssize_t n = write(m_fdMaster, bytes, count);
            if (n >= 0)
                return n;
            // Would block: nobody reads the port. EIO: no slave open, the bytes go nowhere.
            return errno == EAGAIN || errno == EINTR ? 0 : -1;
        },
        [this, now](const FrameBytes& bytes, const std::string& note) {
            m_frameLog.Sent(now, bytes, note);
        });
}

CPtyServer::End CPtyServer::Run(int stopFd) {
    if (m_fdMaster < 0)
        return End::Error;
    Clock::time_point lastInput = Clock::now();
    Clock::time_point hangUpUntil{};
    Clock::time_point nextWatch = Clock::now();
    Clock::time_point vanishAt{};
    bool blocked = false;
    std::uint8_t buffer[512];

    for (;;) {
        Clock::time_point now = Clock::now();
        blocked = !WriteDue(now);

        // Closing the master hangs the line up and discards what the console has not read yet,
        // so the last reply is given a moment to be read first.
        if (m_emulator.VanishDue() && m_replies.Empty()) {
            if (vanishAt == Clock::time_point{})
                vanishAt = now;
            // The bytes reach the slave side's queue a little after the write, hence the settle
            // time before the queue is looked at.
            int unread = 0;
            const bool settled = now - vanishAt >= kVanishSettle;
            if ((settled && (ioctl(m_fdSlave, TIOCINQ, &unread) != 0 || unread == 0)) ||
                now - vanishAt > kVanishDrainLimit) {
                Close();
                return End::Vanished;
            }
        }
        if (m_options.watchPid > 0 && now >= nextWatch) {
            if (kill(m_options.watchPid, 0) != 0 && errno == ESRCH)
                return End::WatchedProcessGone;
            nextWatch = now + kWatchInterval;
        }

        // Sleep until the next byte is due, a partial frame times out, or the next watch.
        Clock::time_point wake = now + std::chrono::seconds(1);
        if (!m_replies.Empty() && !blocked)
            wake = std::min(wake, m_replies.NextDue());
        if (m_emulator.InFrame())
            wake = std::min(wake, lastInput + std::chrono::milliseconds(m_options.nIdleResetMs));
        if (m_options.watchPid > 0)
            wake = std::min(wake, nextWatch);
        const bool hungUp = now < hangUpUntil;
        if (hungUp)
            wake = std::min(wake, hangUpUntil);
        if (vanishAt != Clock::time_point{})
            wake = std::min(wake, now + std::chrono::milliseconds(5));

        pollfd fds[2] = {{stopFd, POLLIN, 0}, {m_fdMaster, 0, 0}};
        if (!hungUp)
            fds[1].events = static_cast<short>(POLLIN | (blocked ? POLLOUT : 0));
        const auto wait = std::max<Clock::duration>(wake - now, Clock::duration::zero());
        const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        const int ready = ppoll(fds, hungUp ? 1 : 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR) {
            m_strError = std::string("poll: ") + std::strerror(errno);
            return End::Error;
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            return End::Stopped;
        now = Clock::now();

        if (!hungUp && (fds[1].revents & POLLIN)) {
            const ssize_t n = read(m_fdMaster, buffer, sizeof buffer);
            if (n > 0) {
                lastInput = now;
                m_replies.Add(m_emulator.Feed(buffer, static_cast<std::size_t>(n)), now);
            } else if (n < 0 && errno == EIO) {
                hangUpUntil = now + kHangUpBackoff;
            }
        } else if (!hungUp && (fds[1].revents & (POLLHUP | POLLERR))) {
            // No slave side open (only possible if the held one was lost): wait, do not spin.
            hangUpUntil = now + kHangUpBackoff;
        }
        if (m_emulator.InFrame() &&
            now - lastInput >= std::chrono::milliseconds(m_options.nIdleResetMs))
            m_replies.Add(m_emulator.Abandon(), now);
    }
}

} // namespace sgsim
