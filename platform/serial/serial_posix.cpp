// POSIX backend of the serial layer: termios for the line, eventfd for the link's events, poll
// for the wait, FIONREAD/TIOCOUTQ for the queues.
#include "platform/serial/serial_port.h"

#include "platform/serial/network_port.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

struct SpeedEntry {
    int baud;
    speed_t speed;
};

const SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},   {576000, B576000},   {921600, B921600},   {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000},
    {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

bool SpeedForBaud(int baud, speed_t& speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

int BaudForSpeed(speed_t speed) {
    for (const SpeedEntry& e : kSpeeds) {
        if (e.speed == speed)
            return e.baud;
    }
    return 0;
}

// Milliseconds left until deadline, 0 when it has passed; -1 (no limit) when unlimited.
int RemainingMs(bool limited, Clock::time_point deadline) {
    if (!limited)
        return -1;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the descriptor to become ready for events; false on timeout.
bool PollOne(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0;
    }
}

enum class Ready { Yes, TimedOut, Aborted };

// Waits for the descriptor to become writable, for the abort event, or for the time to run out.
Ready PollWritable(int fd, const Event* abort, int timeoutMs) {
    pollfd p[2] = {{fd, POLLOUT, 0}, {abort ? abort->Fd() : -1, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(p, 2, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r > 0 && p[1].revents)
            return Ready::Aborted;
        return r > 0 ? Ready::Yes : Ready::TimedOut;
    }
}

} // namespace

Error ErrorFromSystem(int code) {
    Error e;
    e.code = code;
    char buffer[128];
    e.text = strerror_r(code, buffer, sizeof buffer);
    switch (code) {
    case 0:
        e.cause = Cause::None;
        break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    case ELOOP:
        e.cause = Cause::NotFound;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        e.cause = Cause::Busy;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        e.cause = Cause::AccessDenied;
        break;
    case EINVAL:
    case ENOTTY:
    case EOPNOTSUPP:
        e.cause = Cause::InvalidArgument;
        break;
    case ETIMEDOUT:
        e.cause = Cause::Timeout;
        break;
    case EIO:
    case EPIPE:
    case ECONNRESET:
    case ECONNABORTED:
    case ENOTCONN:
        e.cause = Cause::HungUp;
        break;
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EADDRNOTAVAIL:
        e.cause = Cause::NotFound;
        break;
    case EBADF:
        e.cause = Cause::NotOpen;
        break;
    default:
        e.cause = Cause::Other;
        break;
    }
    return e;
}

// --- Event --------------------------------------------------------------------------------------

Event::~Event() {
    Close();
}

Error Event::Create() {
    Close();
    m_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return m_fd < 0 ? ErrorFromSystem(errno) : Error{};
}

void Event::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Event::Set() {
    if (m_fd < 0)
        return;
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) is still set, which is all a manual-reset event needs.
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Event::Reset() {
    if (m_fd < 0)
        return;
    std::uint64_t value;
    while (::read(m_fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool Event::IsSet() const {
    return m_fd >= 0 && PollOne(m_fd, POLLIN, 0);
}

// --- Port ---------------------------------------------------------------------------------------

// The open device's descriptor.
struct Port::Impl {
    int fd;
};

Port::Port() = default;

Port::~Port() {
    Close();
}

Error Port::OpenDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ErrorFromSystem(errno);
    if (!::isatty(fd)) {
        ::close(fd);
        return MakeError(Cause::InvalidArgument, "not a terminal device");
    }
    // The advisory lock makes a second open fail in this process and in any other that locks too,
    // privileged or not; TIOCEXCL makes every further open(2) of the tty fail with EBUSY.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        Error e = ErrorFromSystem(errno);
        ::close(fd);
        return e.code == EWOULDBLOCK ? MakeError(Cause::Busy, "port in use") : e;
    }
    ::ioctl(fd, TIOCEXCL);
    m_impl = std::make_unique<Impl>(Impl{fd});
    m_timeouts = Timeouts{};
    m_eventMask = 0;
    m_eventChar = 0;
    m_rts = RtsControl::Disable;
    return {};
}

void Port::CloseDevice() {
    if (!m_impl)
        return;
    // Exclusive mode belongs to the tty, not to this descriptor: clear it so that the next open
    // works while someone else still holds the device (the other end of a pty, for instance).
    ::ioctl(m_impl->fd, TIOCNXCL);
    ::close(m_impl->fd);
    m_impl.reset();
}

Error Port::DeviceSetTimeouts(const Timeouts& timeouts) {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    m_timeouts = timeouts;
    return {};
}

Error Port::DeviceSetEventMask(std::uint32_t mask) {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    m_eventMask = mask;
    return {};
}

Error Port::DeviceGetState(PortState& state) const {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    termios tio{};
    if (::tcgetattr(m_impl->fd, &tio) != 0)
        return ErrorFromSystem(errno);
    state.line.baud = BaudForSpeed(::cfgetospeed(&tio));
    if (!(tio.c_cflag & PARENB))
        state.line.parity = 'N';
#ifdef CMSPAR
    else if (tio.c_cflag & CMSPAR)
        state.line.parity = (tio.c_cflag & PARODD) ? 'M' : 'S';
#endif
    else
        state.line.parity = (tio.c_cflag & PARODD) ? 'O' : 'E';
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        state.line.dataBits = 5;
        break;
    case CS6:
        state.line.dataBits = 6;
        break;
    case CS7:
        state.line.dataBits = 7;
        break;
    default:
        state.line.dataBits = 8;
        break;
    }
    state.line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    state.eventChar = m_eventChar;
    state.rts = m_rts;
    return {};
}

Error Port::DeviceSetState(const PortState& state) {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    speed_t speed;
    if (!SpeedForBaud(state.line.baud, speed))
        return MakeError(Cause::InvalidArgument, "baud rate not supported");
    termios tio{};
    if (::tcgetattr(m_impl->fd, &tio) != 0)
        return ErrorFromSystem(errno);

    ::cfmakeraw(&tio);
    // Raw, and no flow control of either kind: 0x11 and 0x13 are ordinary frame bytes.
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    tio.c_cflag &= ~CMSPAR;
#endif
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if (state.line.dataBits < 5 || state.line.dataBits > 8)
        return MakeError(Cause::InvalidArgument, "data bits not supported");
    tio.c_cflag |= kSizes[state.line.dataBits - 5];
    if (state.line.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    else if (state.line.stopBits != 1)
        return MakeError(Cause::InvalidArgument, "stop bits not supported");
    switch (state.line.parity) {
    case 'N':
        break;
    case 'E':
        tio.c_cflag |= PARENB;
        break;
    case 'O':
        tio.c_cflag |= PARENB | PARODD;
        break;
#ifdef CMSPAR
    case 'M':
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 'S':
        tio.c_cflag |= PARENB | CMSPAR;
        break;
#endif
    default:
        return MakeError(Cause::InvalidArgument, "parity not supported");
    }
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)
        return ErrorFromSystem(errno);
    if (::tcsetattr(m_impl->fd, TCSANOW, &tio) != 0)
        return ErrorFromSystem(errno);

    // Raise or drop RTS. A pseudo-terminal has no modem lines, so a failure here is no failure.
    int rtsBit = TIOCM_RTS;
    ::ioctl(m_impl->fd, state.rts == RtsControl::Enable ? TIOCMBIS : TIOCMBIC, &rtsBit);
    m_eventChar = state.eventChar;
    m_rts = state.rts;
    return {};
}

// Discards received bytes not yet read. Output is not flushed: every write has already drained
// it, and on a pseudo-terminal an output flush on our side throws away what the far side has not
// read yet, so the previous frame would be lost whenever the peer is slower than the next write.
Error Port::DevicePurge() {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    if (::tcflush(m_impl->fd, TCIFLUSH) != 0)
        return ErrorFromSystem(errno);
    return {};
}

Error Port::DeviceInputQueueCount(std::size_t& count) const {
    count = 0;
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    int queued = 0;
    if (::ioctl(m_impl->fd, FIONREAD, &queued) != 0)
        return ErrorFromSystem(errno);
    count = queued > 0 ? static_cast<std::size_t>(queued) : 0;
    return {};
}

Error Port::DeviceReadByte(std::uint8_t& byte, bool& got) {
    got = false;
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    const std::uint64_t totalMs =
        std::uint64_t{m_timeouts.readTotalMultiplier} + m_timeouts.readTotalConstant;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    for (;;) {
        const ssize_t n = ::read(m_impl->fd, &byte, 1);
        if (n == 1) {
            got = true;
            return {};
        }
        if (n == 0)
            return MakeError(Cause::HungUp, "end of file on the port");
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return ErrorFromSystem(errno);
        const int left = RemainingMs(true, deadline);
        if (left == 0 || !PollOne(m_impl->fd, POLLIN, left))
            return {};
    }
}

Error Port::DeviceWrite(const std::uint8_t* data, std::size_t count, const Event* abort) {
    if (!m_impl)
        return MakeError(Cause::NotOpen, "port not open");
    const std::uint64_t totalMs =
        std::uint64_t{m_timeouts.writeTotalMultiplier} * count + m_timeouts.writeTotalConstant;
    const bool limited = totalMs > 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);

    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_impl->fd, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return ErrorFromSystem(errno);
        const int left = RemainingMs(limited, deadline);
        const Ready ready = left == 0 ? Ready::TimedOut : PollWritable(m_impl->fd, abort, left);
        if (ready == Ready::Aborted)
            return MakeError(Cause::Aborted, "write given up");
        if (ready == Ready::TimedOut)
            return MakeError(Cause::Timeout, "write timed out");
    }

    // Wait until the driver has sent everything, so that the purge before the next frame cannot
    // cut this one short. TIOCOUTQ is 0 at once on a pseudo-terminal.
    for (;;) {
        int queued = 0;
        if (::ioctl(m_impl->fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return {};
        const int left = RemainingMs(limited, deadline);
        if (left == 0)
            return MakeError(Cause::Timeout, "write timed out");
        if (abort && abort->IsSet())
            return MakeError(Cause::Aborted, "write given up");
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

// --- Waiting ------------------------------------------------------------------------------------

WaitResult WaitForAny(const WaitObjects& objects) {
    pollfd fds[3] = {};
    fds[0] = {objects.stop ? objects.stop->Fd() : -1, POLLIN, 0};
    fds[1] = {objects.write ? objects.write->Fd() : -1, POLLIN, 0};
    fds[2] = {-1, 0, 0};
    const bool wantInput = objects.port && (objects.port->GetEventMask() & event::kRxChar);
    NetworkPort* network = objects.port ? objects.port->m_network.get() : nullptr;
    // Input a network endpoint has queued already signals at once, yet after stop and write.
    bool ready = false;
    if (network) {
        fds[2].fd = static_cast<int>(network->Connection().WaitHandle());
        // The other end's close is the hang-up, whatever the events asked for.
        fds[2].events = static_cast<short>((wantInput ? POLLIN : 0) | POLLRDHUP);
        ready = wantInput ? network->HasInput() : network->Gone();
    } else if (objects.port && objects.port->m_impl) {
        fds[2].fd = objects.port->m_impl->fd;
        // Hang-up and errors are reported whatever the events asked for.
        fds[2].events = wantInput ? POLLIN : 0;
    }
    WaitResult result;
    for (;;) {
        const int r = ::poll(fds, 3, ready ? 0 : -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            result.error = ErrorFromSystem(errno);
            return result;
        }
        break;
    }
    if (fds[0].revents) {
        result.object = Signalled::Stop;
    } else if (fds[1].revents) {
        result.object = Signalled::Write;
    } else if (network) {
        result.object = Signalled::Port;
        // A close with data still unread is no hang-up yet: the reader takes the data first.
        result.hangUp =
            network->Gone() || (!wantInput && (fds[2].revents & (POLLHUP | POLLERR | POLLRDHUP)));
    } else {
        result.object = Signalled::Port;
        result.hangUp = (fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
    return result;
}

} // namespace serial
