// The emulator as a serial device server: its line served on a listening TCP socket, raw or as
// Telnet with the COM port control option, and registered as COMn in the console's port map
// directory (a file holding the endpoint's URL). One client at a time: a client that connects
// while another is served waits until that one has left. The same misbehaviour as on a
// pseudo-terminal; vanishing closes the connection and stops listening. No threads of its own.
// On Windows there is no port map entry (com_entry_win.cpp): the URL is what reaches it.
#pragma once

#include "tools/sgsim/com_entry.h"
#include "tools/sgsim/device_server.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/frame_logger.h"
#include "tools/sgsim/reply_queue.h"
#include "tools/sgsim/server_options.h"
#include "tools/sgsim/server_os.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace sgsim {

struct CTcpOptions {
    std::string strHost = "127.0.0.1";
    int nPort = 0;         // 0: a free port the system picks
    bool bRfc2217 = false; // Telnet with the COM port control option; else raw
    int nFixedBaud = 0;    // with bRfc2217: the line stays at this rate (0: as the client sets)
};

// "HOST:PORT" or "[IPv6]:PORT", PORT 0..65535; false for anything else.
bool ParseListenAddress(const std::string& text, std::string& host, int& port);

class CTcpServer {
public:
    using End = ServerEnd;
    using Clock = std::chrono::steady_clock;

    CTcpServer(CEmulator& emulator, CServerOptions options, CTcpOptions tcp);
    ~CTcpServer();
    CTcpServer(const CTcpServer&) = delete;
    CTcpServer& operator=(const CTcpServer&) = delete;

    // Binds and listens (again on the same port after a vanish) and creates the COMn entry.
    bool Open(std::string& error);
    // Serves until stop is signalled, the watched process ends or the emulator vanishes.
    End Run(StopHandle stop);
    // Closes the connection and the listening socket, and removes the entry if it is still ours.
    void Close();

    // Frame log lines (without line end); the time is seconds since Open.
    void SetFrameLog(std::function<void(const std::string&)> sink);

    int ComNumber() const { return m_nCom; }
    const std::string& Url() const { return m_strUrl; }
    const std::string& LinkPath() const { return m_strLink; }
    int Port() const { return m_nPort; }
    std::string ErrorText() const { return m_strError; }

private:
    void Accept(Clock::time_point now);
    void DropClient();
    // Reads what the client sent; false when it has left.
    bool ReadClient(Clock::time_point now);
    // Sends what waits in m_out; false when the client is gone.
    bool Flush();
    // Ends the connection so that the replies already sent still arrive: no more sending, then
    // what the client still sends is read (and dropped) until it closes or a moment passes.
    void CloseGracefully();

    CEmulator& m_emulator;
    CServerOptions m_options;
    CTcpOptions m_tcp;
    os::Socket m_listen = os::kNoSocket;
    os::Socket m_client = os::kNoSocket;
    int m_nPort = 0;
    int m_nCom = 0;
    std::string m_strUrl;
    std::string m_strLink;
    std::string m_strError;
    std::unique_ptr<CDeviceServerSession> m_session;
    FrameBytes m_out; // bytes for the client, in connection form
    CReplyQueue m_replies;
    Clock::time_point m_lastInput; // the client's last byte of the line
    CFrameLogger m_frameLog;
};

} // namespace sgsim
