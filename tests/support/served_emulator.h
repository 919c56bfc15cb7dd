// The generator emulator served on a pseudo-terminal from its own thread, registered as COMn in
// the test's port map, recording the command word of every request it receives. For the
// end-to-end tests, which run the real console against it with real timers.
#pragma once

#include "platform/ui/dialog.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/pty_server.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

class ServedEmulator {
public:
    ServedEmulator(const std::string& portsDir, int com, bool pace = false)
        : m_stop(eventfd(0, EFD_CLOEXEC)) {
        sgsim::CServerOptions options;
        options.nCom = com;
        options.strPortsDir = portsDir;
        options.bPace = pace;
        m_emulator.SetLog(
            [this](const char* direction, const sgsim::FrameBytes& bytes, const std::string&) {
                if (std::string(direction) != "RX" || bytes.size() < 9)
                    return;
                std::lock_guard<std::mutex> g(m_mutex);
                m_words.push_back(static_cast<std::uint16_t>(bytes[7] | (bytes[8] << 8)));
            },
            false);
        m_server = std::make_unique<sgsim::CPtyServer>(m_emulator, options);
        std::string error;
        if (!m_server->Open(error))
            throw std::runtime_error(error);
        m_thread = std::thread([this] { m_server->Run(m_stop); });
    }
    ~ServedEmulator() {
        const std::uint64_t one = 1;
        (void)!write(m_stop, &one, sizeof one);
        m_thread.join();
        m_server->Close();
        close(m_stop);
    }
    ServedEmulator(const ServedEmulator&) = delete;
    ServedEmulator& operator=(const ServedEmulator&) = delete;

    // Command words of the requests received so far, in order.
    std::vector<std::uint16_t> Words() {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_words;
    }
    int Count(std::uint16_t word) {
        std::lock_guard<std::mutex> g(m_mutex);
        return static_cast<int>(std::count(m_words.begin(), m_words.end(), word));
    }
    sgsim::CGeneratorState& State() { return m_emulator.Generator().State(); }
    sgsim::CSettings& Settings() { return State().settings; }

private:
    int m_stop;
    sgsim::CEmulator m_emulator;
    std::unique_ptr<sgsim::CPtyServer> m_server;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::uint16_t> m_words;
};

// Runs the event loop until the condition holds or the time is up.
template <class F> bool WaitFor(F condition, int withinMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        ui::ProcessEvents(5);
    }
    return condition();
}

} // namespace testsupport
