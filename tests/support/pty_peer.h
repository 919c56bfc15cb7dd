// Test peer on the far side of a pseudo-terminal mapped as COMn in a temporary port map
// directory: what a generator would see and send. The directory holds `manual`, so no serial
// device of the machine is ever touched.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Points XDG_CONFIG_HOME at a temporary directory whose port map holds only what tests add.
// (On Windows it points APPDATA there, so that the console's per-user files are the test's own;
// COM n is the system's own port and the port map directory plays no part.)
class PortMap {
public:
    PortMap();
    ~PortMap();
    std::string Dir() const;
    void Map(int com, const std::string& device);
    // COMn as a file holding a network endpoint's URL.
    void MapUrl(int com, const std::string& url);
    void Unmap(int com);

private:
    TempDir m_home;
    std::string m_oldXdg;
    bool m_hadXdg = false;
};

// POSIX systems only (pty_peer.cpp).
class PtyPeer {
public:
    PtyPeer(PortMap& map, int com);
    ~PtyPeer();
    int Master() const { return m_master; }
    // A descriptor of the slave side held by the peer: the line settings of the port are its.
    int Slave() const { return m_slave; }
    std::string SlavePath() const { return m_slavePath; }
    void Send(const std::vector<std::uint8_t>& bytes);
    // Reads whatever arrives within the time (stops early once `want` bytes arrived).
    std::vector<std::uint8_t> Receive(std::chrono::milliseconds within, std::size_t want = 0);
    // Closes the master: the port vanishes for whoever has the slave open.
    void Hangup();
    // Fills the line towards this peer, which never reads it: a port user's writes then block,
    // as on a device that does not take its input. Call after the port user has opened and set up
    // the port (that may free room again).
    bool FillOutput();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Splits a byte stream into request frames (0xAA start, length field) for comparisons.
std::vector<std::vector<std::uint8_t>> SplitFrames(const std::vector<std::uint8_t>& bytes);
std::uint16_t FrameWord(const std::vector<std::uint8_t>& frame);
std::string Hex(const std::vector<std::uint8_t>& bytes);

} // namespace testsupport
