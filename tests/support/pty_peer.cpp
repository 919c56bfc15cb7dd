// The far side of a pseudo-terminal mapped as COMn: what a generator would see and send.
#include "support/pty_peer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

PtyPeer::PtyPeer(PortMap& map, int com) {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_slavePath = name;
    termios t{};
    tcgetattr(m_master, &t);
    cfmakeraw(&t);
    tcsetattr(m_master, TCSANOW, &t);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    map.Map(com, m_slavePath);
}

PtyPeer::~PtyPeer() {
    if (m_master >= 0)
        close(m_master);
    if (m_slave >= 0)
        close(m_slave);
}

void PtyPeer::Send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else
            usleep(1000);
    }
}

std::vector<std::uint8_t> PtyPeer::Receive(std::chrono::milliseconds within, std::size_t want) {
    std::vector<std::uint8_t> out;
    const auto end = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < end) {
        if (want > 0 && out.size() >= want)
            break;
        pollfd p{m_master, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (poll(&p, 1, static_cast<int>(std::max<long>(1, left.count()))) <= 0)
            continue;
        std::uint8_t buf[512];
        const ssize_t n = read(m_master, buf, sizeof buf);
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
        else
            usleep(1000);
    }
    return out;
}

bool PtyPeer::FillOutput() {
    // Through the slave descriptor this peer holds: the same direction as the port user's writes.
    // The terminal moves output on to the master's buffer a little later and frees room again, so
    // full means a pass after a pause takes nothing more.
    if (m_slave < 0)
        return false;
    fcntl(m_slave, F_SETFL, fcntl(m_slave, F_GETFL) | O_NONBLOCK);
    const std::vector<std::uint8_t> junk(4096, 0x55);
    for (int pass = 0; pass < 100; ++pass) {
        std::size_t taken = 0;
        ssize_t n;
        while ((n = write(m_slave, junk.data(), junk.size())) > 0)
            taken += static_cast<std::size_t>(n);
        if (errno != EAGAIN)
            return false;
        if (taken == 0 && pass > 0)
            return true;
        usleep(20000);
    }
    return false;
}

void PtyPeer::Hangup() {
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

} // namespace testsupport
