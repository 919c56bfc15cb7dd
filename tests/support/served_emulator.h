// The generator emulator served from its own thread, on a pseudo-terminal or on a TCP port of
// the loopback address (raw, or Telnet with the COM port control option), registered as COMn in
// the test's port map, keeping its frame log (the lines `sgsim --log` writes) and the command
// word of every request it receives. For the end-to-end tests, which run the real console
// against it with real timers.
#pragma once

#include "platform/ui/dialog.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/pty_server.h"
#include "tools/sgsim/tcp_server.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

enum class Transport { Pty, Tcp, Rfc2217 };

class ServedEmulator {
public:
    ServedEmulator(const std::string& portsDir, int com, bool pace = false,
                   sgsim::CMisbehaviour misbehaviour = {}, int baud = 115200,
                   Transport transport = Transport::Pty, int fixedBaud = 0)
        : m_stop(eventfd(0, EFD_CLOEXEC)), m_emulator(misbehaviour) {
        sgsim::CServerOptions options;
        options.nCom = com;
        options.strPortsDir = portsDir;
        options.bPace = pace;
        options.nBaud = baud;
        if (transport == Transport::Pty) {
            auto pty = std::make_unique<sgsim::CPtyServer>(m_emulator, options);
            Bind(*pty);
            m_pty = std::move(pty);
        } else {
            sgsim::CTcpOptions tcp;
            tcp.bRfc2217 = transport == Transport::Rfc2217;
            tcp.nFixedBaud = fixedBaud;
            auto server = std::make_unique<sgsim::CTcpServer>(m_emulator, options, tcp);
            Bind(*server);
            m_tcp = std::move(server);
        }
        std::string error;
        if (!m_open(error))
            throw std::runtime_error(error);
        m_thread = std::thread([this] { m_run(m_stop); });
    }
    ~ServedEmulator() {
        const std::uint64_t one = 1;
        (void)!write(m_stop, &one, sizeof one);
        m_thread.join();
        m_close();
        close(m_stop);
    }
    ServedEmulator(const ServedEmulator&) = delete;
    ServedEmulator& operator=(const ServedEmulator&) = delete;

    // What COMn holds: the pseudo-terminal, or the TCP endpoint's URL.
    std::string Target() const { return m_pty ? m_pty->SlavePath() : m_tcp->Url(); }

private:
    template <class Server> void Bind(Server& server) {
        server.SetFrameLog([this](const std::string& line) {
            std::lock_guard<std::mutex> g(m_mutex);
            m_log.push_back(line);
            // "<seconds> RX <hex bytes>...": bytes 7 and 8 of a request are its command word.
            unsigned b7 = 0, b8 = 0;
            if (line.find(" RX ") != std::string::npos &&
                std::sscanf(line.c_str() + line.find(" RX ") + 4,
                            "%*x %*x %*x %*x %*x %*x %*x %x %x", &b7, &b8) == 2)
                m_words.push_back(static_cast<std::uint16_t>(b7 | (b8 << 8)));
        });
        m_open = [&server](std::string& error) { return server.Open(error); };
        m_run = [&server](int stop) { server.Run(stop); };
        m_close = [&server] { server.Close(); };
    }

public:
    // Command words of the requests received so far, in order.
    std::vector<std::uint16_t> Words() {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_words;
    }
    // The frame log so far, one line per frame.
    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_log;
    }
    int Count(std::uint16_t word) {
        std::lock_guard<std::mutex> g(m_mutex);
        return static_cast<int>(std::count(m_words.begin(), m_words.end(), word));
    }
    sgsim::CGeneratorState& State() { return m_emulator.Generator().State(); }
    // The generator itself: a request handled here changes its state by its own rules, as its
    // front panel would, without a word on the line.
    sgsim::CGenerator& Generator() { return m_emulator.Generator(); }
    sgsim::CSettings& Settings() { return State().settings; }

private:
    int m_stop;
    sgsim::CEmulator m_emulator;
    std::unique_ptr<sgsim::CPtyServer> m_pty;
    std::unique_ptr<sgsim::CTcpServer> m_tcp;
    std::function<bool(std::string&)> m_open;
    std::function<void(int)> m_run;
    std::function<void()> m_close;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::uint16_t> m_words;
    std::vector<std::string> m_log;
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
