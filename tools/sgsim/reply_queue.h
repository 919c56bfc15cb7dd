// Replies waiting to go out, each with the time its next byte is due: the emulator's reply delay
// and its line-rate pacing, the same whatever carries the bytes (a pseudo-terminal, a TCP
// connection).
#pragma once

#include "tools/sgsim/emulator.h"

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <sys/types.h>

namespace sgsim {

class CReplyQueue {
public:
    using Clock = std::chrono::steady_clock;
    // Takes up to count bytes; how many it took, 0 when it takes nothing now, -1 when the bytes
    // go nowhere (the frame is dropped).
    using Writer = std::function<ssize_t(const std::uint8_t* bytes, std::size_t count)>;
    // Called once per frame, when its first byte is due: the frame and what was done to it.
    using Logger = std::function<void(const FrameBytes& bytes, const std::string& note)>;

    // delayMs before every reply; with pace, one byte at a time at the line rate of baud (ten
    // bits a byte). A frame the writer takes nothing of for blockedLimit is dropped: a line
    // nobody reads loses what is sent on it.
    CReplyQueue(int delayMs, bool pace, int baud, Clock::duration blockedLimit);

    void SetBaud(int baud);
    void Add(std::vector<COutFrame> frames, Clock::time_point now);
    // Writes what is due; false when the writer took nothing at a moment something was due.
    bool WriteDue(Clock::time_point now, const Writer& write, const Logger& log);
    void Clear() { m_queue.clear(); }
    bool Empty() const { return m_queue.empty(); }
    Clock::time_point NextDue() const { return m_queue.front().due; }

private:
    struct CPending {
        FrameBytes abBytes;
        std::string strNote;
        std::size_t nSent = 0;
        Clock::time_point due;
        bool bLogged = false;
    };

    int m_nDelayMs;
    bool m_bPace;
    Clock::duration m_bytePeriod{};
    Clock::duration m_blockedLimit;
    std::deque<CPending> m_queue;
};

} // namespace sgsim
