#include "support/pty_peer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    char tmpl[] = "/tmp/kestrelon-test-XXXXXX";
    if (mkdtemp(tmpl) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

PortMap::PortMap() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    m_hadXdg = old != nullptr;
    if (old)
        m_oldXdg = old;
    setenv("XDG_CONFIG_HOME", m_home.Path().c_str(), 1);
    fs::create_directories(Dir());
    std::FILE* f = std::fopen((Dir() + "/manual").c_str(), "w");
    if (f)
        std::fclose(f);
}

PortMap::~PortMap() {
    if (m_hadXdg)
        setenv("XDG_CONFIG_HOME", m_oldXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

std::string PortMap::Dir() const {
    return m_home.Path() + "/kestrelon/ports";
}

void PortMap::Map(int com, const std::string& device) {
    const std::string link = Dir() + "/COM" + std::to_string(com);
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(device, link);
}

void PortMap::Unmap(int com) {
    std::error_code ec;
    fs::remove(Dir() + "/COM" + std::to_string(com), ec);
}

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

void PtyPeer::Hangup() {
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

std::vector<std::vector<std::uint8_t>> SplitFrames(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> frames;
    std::size_t i = 0;
    while (i + 5 <= bytes.size()) {
        if (bytes[i] != 0xAA) {
            ++i;
            continue;
        }
        const std::size_t length = bytes[i + 3] | (bytes[i + 4] << 8);
        const std::size_t size = length + 5;
        if (i + size > bytes.size())
            break;
        frames.emplace_back(bytes.begin() + i, bytes.begin() + i + size);
        i += size;
    }
    return frames;
}

std::uint16_t FrameWord(const std::vector<std::uint8_t>& frame) {
    return frame.size() > 8 ? static_cast<std::uint16_t>(frame[7] | (frame[8] << 8)) : 0;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (auto v : bytes) {
        std::snprintf(b, sizeof b, "%02X ", v);
        s += b;
    }
    if (!s.empty())
        s.pop_back();
    return s;
}

} // namespace testsupport
