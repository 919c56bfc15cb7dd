// The reply queue: delay, pacing, and what a line that takes nothing does to it.
#include "tools/sgsim/reply_queue.h"

#include <algorithm>

namespace sgsim {

CReplyQueue::CReplyQueue(int delayMs, bool pace, int baud, Clock::duration blockedLimit)
    : m_nDelayMs(delayMs), m_bPace(pace), m_blockedLimit(blockedLimit) {
    SetBaud(baud);
}

void CReplyQueue::SetBaud(int baud) {
    if (baud <= 0)
        baud = 115200;
    // A byte on the line is a start bit, eight data bits and a stop bit.
    m_bytePeriod = std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<long long>(10.0 * 1e9 / baud + 0.5)));
}

void CReplyQueue::Add(std::vector<COutFrame> frames, Clock::time_point now) {
    const Clock::time_point due = now + std::chrono::milliseconds(m_nDelayMs);
    for (COutFrame& f : frames) {
        if (f.abBytes.empty())
            continue;
        CPending p;
        p.abBytes = std::move(f.abBytes);
        p.strNote = std::move(f.strNote);
        p.due = due + std::chrono::milliseconds(f.nDelayMs);
        m_queue.push_back(std::move(p));
    }
}

bool CReplyQueue::WriteDue(Clock::time_point now, const Writer& write, const Logger& log) {
    while (!m_queue.empty()) {
        CPending& p = m_queue.front();
        if (p.due > now)
            return true;
        if (!p.bLogged) {
            if (log)
                log(p.abBytes, p.strNote);
            p.bLogged = true;
        }
        const std::size_t count = m_bPace ? 1 : p.abBytes.size() - p.nSent;
        const ssize_t n = write(p.abBytes.data() + p.nSent, count);
        if (n == 0) {
            if (now - p.due > m_blockedLimit)
                m_queue.pop_front();
            return false;
        }
        if (n < 0) {
            m_queue.pop_front();
            continue;
        }
        p.nSent += static_cast<std::size_t>(n);
        if (m_bPace)
            p.due += m_bytePeriod;
        if (p.nSent < p.abBytes.size())
            continue;
        const Clock::time_point next = p.due;
        m_queue.pop_front();
        if (m_bPace && !m_queue.empty())
            m_queue.front().due = std::max(m_queue.front().due, next);
    }
    return true;
}

} // namespace sgsim
