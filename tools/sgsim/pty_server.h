// The emulator on a pseudo-terminal: registers the slave side as COMn in the console's port map
// directory and serves requests until told to stop. POSIX only; no threads of its own.
#pragma once

#include "tools/sgsim/com_entry.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/frame_logger.h"
#include "tools/sgsim/reply_queue.h"
#include "tools/sgsim/server_options.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace sgsim {

class CPtyServer {
public:
    using End = ServerEnd;
    using Clock = std::chrono::steady_clock;

    CPtyServer(CEmulator& emulator, CServerOptions options);
    ~CPtyServer();
    CPtyServer(const CPtyServer&) = delete;
    CPtyServer& operator=(const CPtyServer&) = delete;

    // Opens the pseudo-terminal in raw mode and creates the COMn link.
    bool Open(std::string& error);

    // Serves until stopFd becomes readable (a pipe or eventfd), the watched process ends or the
    // emulator vanishes. Vanishing closes the pseudo-terminal and removes the link.
    End Run(int stopFd);

    // Closes the pseudo-terminal and removes the link if it is still ours. Safe to repeat.
    void Close();

    // Frame log lines (without line end); the time is seconds since Open.
    void SetFrameLog(std::function<void(const std::string&)> sink);

    int ComNumber() const { return m_nCom; }
    const std::string& SlavePath() const { return m_strSlave; }
    const std::string& LinkPath() const { return m_strLink; }
    std::string ErrorText() const { return m_strError; }

private:
    bool CreateLink(std::string& error);
    // Writes what is due; returns false when the master would block.
    bool WriteDue(Clock::time_point now);

    CEmulator& m_emulator;
    CServerOptions m_options;
    int m_fdMaster = -1;
    int m_fdSlave = -1; // held open so the console may close and reopen the port
    int m_nCom = 0;
    std::string m_strSlave;
    std::string m_strLink;
    std::string m_strError;
    CReplyQueue m_replies;
    CFrameLogger m_frameLog;
};

} // namespace sgsim
