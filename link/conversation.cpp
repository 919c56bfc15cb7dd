// The recorded conversation and its two line formats.
#include "link/conversation.h"

#include "link/command_words.h"
#include "link/frame.h"
#include "link/frame_log.h"

#include <algorithm>
#include <cstdio>

namespace {

// Whether the bytes begin a frame far enough to name its word: a start byte, and no more bytes
// than its length field gives (a reply cut short, or taken before its checksum, still counts).
bool HasFrameHeader(const std::vector<std::uint8_t>& b) {
    return b.size() >= static_cast<std::size_t>(frame::kPayloadAt) &&
           (b[0] == frame::kRequestStart || b[0] == frame::kReplyStart) &&
           b.size() <= static_cast<std::size_t>(frame::LengthField(b.data()) + frame::kLengthExtra);
}

std::string Note(const CConversation::Entry& e) {
    std::string note = "COM" + std::to_string(e.com);
    if (!e.what.empty())
        note += ", " + e.what;
    if (!e.verdict.empty())
        note += ", " + e.verdict;
    return note;
}

} // namespace

void CConversation::SetPaused(bool paused) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_paused = paused;
}

bool CConversation::Paused() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_paused;
}

void CConversation::PortOpened(int com) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_com = com;
    m_opened = Clock::now();
}

void CConversation::Record(Direction direction, const std::uint8_t* bytes, std::size_t count,
                           const std::string& verdict, const std::string& what) {
    if (!Enabled())
        return;
    Entry e;
    e.direction = direction;
    e.bytes.assign(bytes, bytes + count);
    e.verdict = verdict;
    e.what = what;
    std::string line;
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        e.ms = std::chrono::duration<double, std::milli>(Clock::now() - m_opened).count();
        e.com = m_com;
        if (m_sink && direction != Direction::NoAnswer) {
            sink = m_sink;
            line = LogLine(e);
        }
        if (!m_paused) {
            e.seq = m_nextSeq++;
            m_entries.push_back(std::move(e));
            if (m_entries.size() > kMaxEntries)
                m_entries.pop_front();
        }
    }
    // Written outside the lock: a slow file must not hold the other thread's recording.
    if (sink)
        sink(line);
}

void CConversation::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.clear();
    ++m_generation;
}

std::size_t CConversation::Size() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_entries.size();
}

std::vector<CConversation::Entry> CConversation::Since(std::uint64_t seq,
                                                       std::uint64_t& next) const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Entry> out;
    next = m_nextSeq;
    if (m_entries.empty() || seq >= m_nextSeq)
        return out;
    const std::uint64_t first = m_entries.front().seq;
    const std::size_t from = seq > first ? static_cast<std::size_t>(seq - first) : 0;
    out.assign(m_entries.begin() + static_cast<long>(from), m_entries.end());
    return out;
}

std::uint64_t CConversation::Generation() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_generation;
}

void CConversation::SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_sink = std::move(sink);
}

namespace {

const char* DirectionText(CConversation::Direction d) {
    switch (d) {
    case CConversation::Direction::Sent:
        return "TX";
    case CConversation::Direction::Received:
        return "RX";
    case CConversation::Direction::NoAnswer:
        break;
    }
    return "--";
}

} // namespace

std::string CConversation::HeaderLine() {
    char head[160];
    std::snprintf(head, sizeof head, "%10s  %-5s  %-2s  %-6s %-36s  %-5s  %-26s  %s", "ms", "port",
                  "", "word", "name", "addr", "what, verdict", "payload");
    return head;
}

std::string CConversation::ViewLine(const Entry& e) {
    // Fixed columns up to the payload, which runs on as long as the frame is: time, COM number,
    // direction, command word and name, device address, what the frame was and what became of it.
    std::string note = e.what;
    if (!e.verdict.empty())
        note += (note.empty() ? "" : ", ") + e.verdict;
    char head[160];
    const std::vector<std::uint8_t>& b = e.bytes;
    std::string payload;
    if (HasFrameHeader(b)) {
        std::uint16_t word = 0;
        frame::ReplyWord(b.data(), b.size(), word);
        const char* name = cmd::CommandName(word);
        std::snprintf(head, sizeof head, "%10.1f  COM%-2d  %s  0x%04x %-36.36s  %02x:%02x  %-26s  ",
                      e.ms, e.com, DirectionText(e.direction), word,
                      name ? name : "(not in the catalogue)", b[frame::kGroupAt],
                      b[frame::kDeviceAt], note.c_str());
        // The payload ends before the checksum, or where the bytes end.
        const std::size_t length = static_cast<std::size_t>(frame::LengthField(b.data()));
        const std::size_t start = frame::kPayloadAt;
        const std::size_t end = std::min(
            b.size(), length >= frame::kLengthExtra ? length + start - frame::kLengthExtra : start);
        payload = end > start ? frame::Hex(b.data() + start, end - start) : "-";
    } else {
        // Bytes that are no whole frame are shown as they came, all of them.
        std::snprintf(head, sizeof head, "%10.1f  COM%-2d  %s  %-6s %-36s  --:--  %-26s  ", e.ms,
                      e.com, DirectionText(e.direction), "", "", note.c_str());
        payload = frame::Hex(b.data(), b.size());
    }
    return head + payload;
}

std::string CConversation::LogLine(const Entry& e) {
    if (e.direction == Direction::NoAnswer)
        return std::string();
    return framelog::FormatLine(e.ms / 1000.0, DirectionText(e.direction), e.bytes.data(),
                                e.bytes.size(), Note(e));
}
