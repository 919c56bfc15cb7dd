// One poll loop over the stop descriptor and the pseudo-terminal master. Replies wait in a queue
// with the time their next byte is due, which is how the delay and the line-rate pacing work.
#include "tools/sgsim/pty_server.h"

#include "platform/serial/port_map.h"

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

std::string ReadLink(const std::string& path) {
    char target[512];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n < 0)
        return std::string();
    target[n] = '\0';
    return target;
}

} // namespace

std::string DefaultPortMapDirectory() {
    return serial::PortMapDirectory();
}

bool MakeDirectories(const std::string& path, std::string& error) {
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot create " + partial + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = path + " is not a directory";
        return false;
    }
    return true;
}

CPtyServer::CPtyServer(CEmulator& emulator, CServerOptions options)
    : m_emulator(emulator), m_options(std::move(options)) {
    const int baud = m_options.nBaud > 0 ? m_options.nBaud : 115200;
    // A byte on the line is a start bit, eight data bits and a stop bit.
    m_bytePeriod = std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<long long>(10.0 * 1e9 / baud + 0.5)));
}

CPtyServer::~CPtyServer() {
    Close();
}

void CPtyServer::SetFrameLog(std::function<void(const std::string&)> sink) {
    m_log = std::move(sink);
    if (!m_log) {
        m_emulator.SetLog(nullptr, false);
        return;
    }
    m_emulator.SetLog(
        [this](const char* direction, const FrameBytes& bytes, const std::string& note) {
            m_log(
                FormatLogLine(Seconds(Clock::now()), direction, bytes.data(), bytes.size(), note));
        },
        false);
}

double CPtyServer::Seconds(Clock::time_point t) const {
    return std::chrono::duration<double>(t - m_start).count();
}

bool CPtyServer::Open(std::string& error) {
    m_start = Clock::now();
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
    const std::string dir =
        m_options.strPortsDir.empty() ? DefaultPortMapDirectory() : m_options.strPortsDir;
    if (dir.empty()) {
        error = "no home directory for the port map: set XDG_CONFIG_HOME or use --ports-dir";
        return false;
    }
    if (!MakeDirectories(dir, error))
        return false;
    auto entry = [&dir](int n) { return dir + "/COM" + std::to_string(n); };
    struct stat st;

    int com = m_options.nCom;
    if (com == 0) {
        for (int n = 1; n <= 99 && com == 0; ++n)
            if (lstat(entry(n).c_str(), &st) != 0 && errno == ENOENT)
                com = n;
        if (com == 0) {
            error = "no free COM number in " + dir;
            return false;
        }
    } else if (com < 1 || com > 99) {
        error = "COM number must be 1..99";
        return false;
    }
    const std::string link = entry(com);
    if (lstat(link.c_str(), &st) == 0) {
        // An entry whose target has gone (a pseudo-terminal of an emulator that was killed) is
        // stale and may be replaced; a live one only with --force.
        const bool live = stat(link.c_str(), &st) == 0;
        if (live && !m_options.bForce) {
            const std::string target = ReadLink(link);
            error = "COM" + std::to_string(com) + " is taken" +
                    (target.empty() ? std::string() : " (-> " + target + ")") +
                    "; choose another --com or use --force";
            return false;
        }
    }
    // Create under a temporary name and rename, so the entry never points nowhere.
    const std::string temp = link + ".sgsim." + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(m_strSlave.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), link.c_str()) != 0) {
        error = "cannot create " + link + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    m_nCom = com;
    m_strLink = link;
    return true;
}

void CPtyServer::Close() {
    if (!m_strLink.empty() && ReadLink(m_strLink) == m_strSlave)
        unlink(m_strLink.c_str());
    m_strLink.clear();
    if (m_fdSlave >= 0)
        close(m_fdSlave);
    if (m_fdMaster >= 0)
        close(m_fdMaster);
    m_fdSlave = -1;
    m_fdMaster = -1;
    m_queue.clear();
}

void CPtyServer::Enqueue(std::vector<COutFrame> frames, Clock::time_point now) {
    const Clock::time_point due = now + std::chrono::milliseconds(m_options.nDelayMs);
    for (COutFrame& f : frames) {
        if (f.abBytes.empty())
            continue;
        CPending p;
        p.abBytes = std::move(f.abBytes);
        p.strNote = std::move(f.strNote);
        p.due = due + std::chrono::milliseconds(f.nDelayMs);
        m_queue.push_back(std::move(p));
    }
}

bool CPtyServer::WriteDue(Clock::time_point now) {
    while (!m_queue.empty()) {
        CPending& p = m_queue.front();
        if (p.due > now)
            return true;
        if (!p.bLogged) {
            if (m_log)
                m_log(FormatLogLine(Seconds(now), "TX", p.abBytes.data(), p.abBytes.size(),
                                    p.strNote));
            p.bLogged = true;
        }
        const std::size_t count = m_options.bPace ? 1 : p.abBytes.size() - p.nSent;
        const ssize_t n = write(m_fdMaster, p.abBytes.data() + p.nSent, count);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                // Nobody reads the port; a line with no listener loses what is sent on it.
                if (now - p.due > kBlockedOutputLimit)
                    m_queue.pop_front();
                return false;
            }
            m_queue.pop_front(); // EIO: no slave open; the bytes go nowhere
            continue;
        }
        p.nSent += static_cast<std::size_t>(n);
        if (m_options.bPace)
            p.due += m_bytePeriod;
        if (p.nSent < p.abBytes.size())
            continue;
        const Clock::time_point next = p.due;
        m_queue.pop_front();
        if (m_options.bPace && !m_queue.empty())
            m_queue.front().due = std::max(m_queue.front().due, next);
    }
    return true;
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
        if (m_emulator.VanishDue() && m_queue.empty()) {
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
        if (!m_queue.empty() && !blocked)
            wake = std::min(wake, m_queue.front().due);
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
                Enqueue(m_emulator.Feed(buffer, static_cast<std::size_t>(n)), now);
            } else if (n < 0 && errno == EIO) {
                hangUpUntil = now + kHangUpBackoff;
            }
        } else if (!hungUp && (fds[1].revents & (POLLHUP | POLLERR))) {
            // No slave side open (only possible if the held one was lost): wait, do not spin.
            hangUpUntil = now + kHangUpBackoff;
        }
        if (m_emulator.InFrame() &&
            now - lastInput >= std::chrono::milliseconds(m_options.nIdleResetMs))
            Enqueue(m_emulator.Abandon(), now);
    }
}

} // namespace sgsim
