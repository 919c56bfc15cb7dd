// The emulator on a serial port of the system, through the serial layer: on Windows one end of a
// null-modem pair (the console opens the other end), where pseudo-terminals do not exist. The
// port is opened at the rate of the options' baud, raw, with no flow control. Replies go out as
// on the other servers (reply_queue.h); the loop looks at the stop object between reads that
// wait a few milliseconds at most, which is also how finely delays and pacing are timed here.
// No threads of its own.
#pragma once

#include "platform/serial/serial_port.h"
#include "tools/sgsim/emulator.h"
#include "tools/sgsim/frame_logger.h"
#include "tools/sgsim/reply_queue.h"
#include "tools/sgsim/server_options.h"

#include <chrono>
#include <functional>
#include <string>

namespace sgsim {

class CSerialServer {
public:
    using End = ServerEnd;
    using Clock = std::chrono::steady_clock;

    // path: what serial::Port opens (a device path, COMn on Windows).
    CSerialServer(CEmulator& emulator, CServerOptions options, std::string path);
    ~CSerialServer();
    CSerialServer(const CSerialServer&) = delete;
    CSerialServer& operator=(const CSerialServer&) = delete;

    // Opens and sets up the port (again after a vanish).
    bool Open(std::string& error);
    // Serves until stop is signalled, the watched process ends or the emulator vanishes
    // (which closes the port).
    End Run(StopHandle stop);
    void Close();

    // Frame log lines (without line end); the time is seconds since Open.
    void SetFrameLog(std::function<void(const std::string&)> sink);

    const std::string& Path() const { return m_strPath; }
    std::string ErrorText() const { return m_strError; }

private:
    // Reads what has arrived, waiting at most waitMs for the first byte; false when the port
    // failed (m_strError says how).
    bool ReadInput(int waitMs, Clock::time_point& lastInput);

    CEmulator& m_emulator;
    CServerOptions m_options;
    std::string m_strPath;
    serial::Port m_port;
    int m_nReadWaitMs = -1; // the read timeout in force
    std::string m_strError;
    CReplyQueue m_replies;
    CFrameLogger m_frameLog;
};

} // namespace sgsim
