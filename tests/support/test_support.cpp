// The portable part of the test peer: temporary directories, the temporary port map, and the
// frame helpers. The pseudo-terminal itself is in pty_peer.cpp (POSIX systems only).
#include "support/os_support.h"
#include "support/pty_peer.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() : m_path(MakeTempDir()) {}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

PortMap::PortMap() {
    const char* old = std::getenv(kConfigHomeVariable);
    m_hadXdg = old != nullptr;
    if (old)
        m_oldXdg = old;
    SetEnv(kConfigHomeVariable, m_home.Path());
    fs::create_directories(Dir());
    std::FILE* f = std::fopen((Dir() + "/manual").c_str(), "w");
    if (f)
        std::fclose(f);
}

PortMap::~PortMap() {
    if (m_hadXdg)
        SetEnv(kConfigHomeVariable, m_oldXdg);
    else
        UnsetEnv(kConfigHomeVariable);
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

void PortMap::MapUrl(int com, const std::string& url) {
    Unmap(com);
    std::FILE* f = std::fopen((Dir() + "/COM" + std::to_string(com)).c_str(), "w");
    if (f) {
        std::fprintf(f, "%s\n", url.c_str());
        std::fclose(f);
    }
}

void PortMap::Unmap(int com) {
    std::error_code ec;
    fs::remove(Dir() + "/COM" + std::to_string(com), ec);
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
