#include "tools/sgsim/request_parser.h"

#include "link/frame.h"

namespace sgsim {

void CRequestParser::Feed(std::uint8_t byte, std::vector<CRawFrame>& out) {
    m_abReplay.push_back(byte);
    while (!m_abReplay.empty()) {
        const std::uint8_t next = m_abReplay.front();
        m_abReplay.pop_front();
        Step(next, out);
    }
}

void CRequestParser::Abandon(std::vector<CRawFrame>& out) {
    if (m_abFrame.empty())
        return;
    Fail();
    while (!m_abReplay.empty()) {
        const std::uint8_t next = m_abReplay.front();
        m_abReplay.pop_front();
        Step(next, out);
    }
}

// Drops the start byte of the frame in progress and queues the rest to be looked at again,
// ahead of anything still waiting.
void CRequestParser::Fail() {
    m_abReplay.insert(m_abReplay.begin(), m_abFrame.begin() + 1, m_abFrame.end());
    m_abFrame.clear();
    m_nExpected = 0;
}

void CRequestParser::Step(std::uint8_t byte, std::vector<CRawFrame>& out) {
    const std::size_t position = m_abFrame.size();
    if (position == 0) {
        if (byte == frame::kRequestStart)
            m_abFrame.push_back(byte);
        return;
    }
    m_abFrame.push_back(byte);
    if (position == 1 || position == 2) {
        if (byte != 0x00)
            Fail();
        return;
    }
    if (position == 4) {
        const int length = m_abFrame[3] | (m_abFrame[4] << 8);
        if (length < 5 || length > kMaxLength) {
            Fail();
            return;
        }
        m_nExpected = static_cast<std::size_t>(length) + 5;
        return;
    }
    if (position < 4 || m_abFrame.size() < m_nExpected)
        return;

    std::uint8_t sum = 0;
    for (std::uint8_t b : m_abFrame)
        sum = static_cast<std::uint8_t>(sum + b);
    CRawFrame done;
    done.abBytes = m_abFrame;
    done.bChecksumOk = (sum == 0);
    out.push_back(std::move(done));
    if (sum == 0) {
        m_abFrame.clear();
        m_nExpected = 0;
    } else {
        Fail();
    }
}

} // namespace sgsim
