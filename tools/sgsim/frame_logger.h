// The frame log of a served emulator: every frame it receives and every reply as it leaves, one
// line each, timed in seconds since the server opened.
#pragma once

#include "tools/sgsim/emulator.h"

#include <chrono>
#include <functional>
#include <string>

namespace sgsim {

class CFrameLogger {
public:
    using Clock = std::chrono::steady_clock;
    using Sink = std::function<void(const std::string&)>;

    // The lines' times count from now.
    void Start() { m_start = Clock::now(); }
    // Lines (without line end) go to sink; a null sink stops the log. The emulator logs the
    // frames it receives; the server calls Sent for the replies.
    void Attach(CEmulator& emulator, Sink sink);
    // A reply whose first byte left at `when`, with what was done to it.
    void Sent(Clock::time_point when, const FrameBytes& bytes, const std::string& note) const;

private:
    double Seconds(Clock::time_point t) const;

    Clock::time_point m_start = Clock::now();
    Sink m_sink;
};

} // namespace sgsim
