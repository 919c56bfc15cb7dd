// The synchronous exchange: one request frame out, its reply awaited against a deadline.
#include "link/generator_line.h"

#include "link/command_words.h"
#include "link/exchanges.h"
#include "link/frame_log.h"

#include <algorithm>
#include <cstdio>

namespace client {

namespace {

// A read waits at most this long for a byte, so that a wait looks at its deadline often.
constexpr std::uint32_t kReadSliceMs = 20;
// A frame must be taken by the port within a second (and a millisecond per byte).
constexpr std::uint32_t kWriteLimitMs = 1000;
constexpr const char* kLineDefinition = "baud=115200 parity=N data=8 stop=1";
constexpr int kMaxDrainBytes = 4096;

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::string WordText(std::uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", word);
    return text;
}

void CFrameLog::Line(const char* direction, const std::uint8_t* bytes, std::size_t count,
                     const std::string& note) {
    if (!m_file)
        return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const double seconds = std::chrono::duration_cast<std::chrono::microseconds>(now).count() / 1e6;
    const std::string line = framelog::FormatLine(seconds, direction, bytes, count, note) + "\n";
    std::fputs(line.c_str(), m_file);
    std::fflush(m_file);
}

std::uint16_t CReply::Word() const {
    std::uint16_t word = 0;
    frame::ReplyWord(abFrame.data(), abFrame.size(), word);
    return word;
}

serial::Error CLine::Open(const std::string& name, const std::string& device) {
    m_strName = name;
    m_strDevice = device;
    if (device.empty())
        return serial::MakeError(serial::Cause::NotFound, "no device");
    serial::Error e = m_port.Open(device);
    if (e)
        return e;
    // Without read timeouts a read on Windows would wait for ever: a failure here is fatal.
    serial::PortState state;
    if (!(e = m_port.SetTimeouts({0, 0, kReadSliceMs, 1, kWriteLimitMs})) &&
        !(e = m_port.GetState(state))) {
        state.rts = serial::RtsControl::Enable;
        if (!serial::ParseDefinition(kLineDefinition, state.line))
            e = serial::MakeError(serial::Cause::InvalidArgument, kLineDefinition);
        else
            e = m_port.SetState(state);
    }
    if (!e)
        e = m_port.Purge();
    if (e)
        m_port.Close();
    m_framing.Reset();
    return e;
}

void CLine::PortFailure(const serial::Error& error) {
    throw CFailure(kExitPort, m_strName + ": " + serial::CauseName(error.cause) +
                                  (error.text.empty() ? "" : " (" + error.text + ")"));
}

void CLine::DrainInput() {
    // Late replies and unasked reports are read and logged rather than dropped unseen; a line
    // that never stops talking is cut off after a while.
    for (int i = 0; i < kMaxDrainBytes; ++i) {
        std::size_t queued = 0;
        if (m_port.InputQueueCount(queued) || queued == 0)
            break;
        std::uint8_t byte = 0;
        bool got = false;
        if (m_port.ReadByte(byte, got) || !got)
            break;
        m_framing.Feed(byte, *this);
    }
    m_framing.Reset(this);
    m_port.Purge();
}

void CLine::Send(std::uint16_t word, const std::vector<std::uint8_t>& payload,
                 const std::string& note) {
    DrainInput();
    // Callers keep to the largest payload; the frame never grows beyond its buffer.
    std::uint8_t bytes[frame::kMaxFrame];
    const std::size_t size =
        frame::BuildRequest(bytes, m_address, word, payload.data(),
                            std::min<std::size_t>(payload.size(), frame::kMaxPayload));
    m_log.Line("TX", bytes, size, note);
    const serial::Error e = m_port.Write(bytes, size);
    if (e)
        PortFailure(e);
}

serial::Error CLine::ReadByte(Clock::time_point deadline, std::uint8_t& byte, bool& got) {
    got = false;
    while (!got && Clock::now() < deadline) {
        const serial::Error e = m_port.ReadByte(byte, got);
        if (e)
            return e;
    }
    return {};
}

bool CLine::Await(const CAwait& await, int windowMs, CReply& reply) {
    m_pAwait = &await;
    m_pReply = &reply;
    m_bMatched = false;
    m_nBadChecksum = m_nBadLength = m_nIncomplete = m_nForeign = m_nOtherFrames = m_nNoiseBytes = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point deadline = start + std::chrono::milliseconds(windowMs);
    const Clock::time_point limit = deadline + std::chrono::milliseconds(kExtraLimitMs);
    while (!m_bMatched) {
        std::uint8_t byte = 0;
        bool got = false;
        const serial::Error e = ReadByte(deadline, byte, got);
        if (e) {
            m_pAwait = nullptr;
            PortFailure(e);
        }
        if (!got)
            break;
        m_framing.Feed(byte, *this);
        // A reply on its way keeps the wait going, byte by byte, up to the limit.
        if (!m_bMatched && m_framing.State() != -1)
            deadline = std::max(
                deadline,
                std::min(Clock::now() + std::chrono::milliseconds(kByteIntervalMs), limit));
    }
    if (!m_bMatched)
        m_framing.Reset(this); // what was held is logged as abandoned
    m_pAwait = nullptr;
    m_pReply = nullptr;
    return m_bMatched;
}

CReply CLine::Exchange(std::uint16_t word, const std::vector<std::uint8_t>& payload,
                       const CAwait& await, const std::string& what) {
    Send(word, payload);
    CReply reply;
    if (!Await(await, m_nWindowMs, reply)) {
        const std::string ignored = Ignored();
        throw CFailure(kExitNoAnswer, m_strName + ": no answer to " + what + " (" + WordText(word) +
                                          ") within " + std::to_string(m_nWindowMs) + " ms" +
                                          (ignored.empty() ? "" : "; " + ignored));
    }
    return reply;
}

std::uint8_t CLine::Query(std::uint16_t word, const std::string& what) {
    CAwait await;
    await.wWord = word;
    await.nMinPayload = 1;
    return Exchange(word, {}, await, what).Payload()[0];
}

std::string CLine::Ignored() const {
    std::string parts;
    auto add = [&parts](const std::string& part) { parts += (parts.empty() ? "" : ", ") + part; };
    if (m_nBadChecksum > 0)
        add(Plural(m_nBadChecksum, "frame with a wrong checksum", "frames with a wrong checksum"));
    if (m_nBadLength > 0)
        add(Plural(m_nBadLength, "frame of a wrong length", "frames of a wrong length"));
    if (m_nIncomplete > 0)
        add(Plural(m_nIncomplete, "incomplete frame", "incomplete frames"));
    if (m_nForeign > 0)
        add(Plural(m_nForeign, "reply from another address", "replies from another address"));
    if (m_nOtherFrames > 0)
        add(Plural(m_nOtherFrames, "other frame", "other frames"));
    if (m_nNoiseBytes > 0)
        add(Plural(m_nNoiseBytes, "stray byte", "stray bytes"));
    return parts.empty() ? parts : "ignored: " + parts;
}

void CLine::OnFrame(const std::uint8_t* bytes, int size) {
    CReply frame;
    frame.abFrame.assign(bytes, bytes + size);
    const std::uint16_t word = frame.Word();
    std::string note;
    if (!m_pAwait || m_bMatched || word != m_pAwait->wWord) {
        note = "not awaited";
        ++m_nOtherFrames;
    } else if (!m_pAwait->bAnyAddress && word != cmd::DeviceAddressReport &&
               !frame::AcceptsReplyFrom(m_address, bytes[5], bytes[6])) {
        note = "from another address";
        ++m_nForeign;
    } else if (frame.PayloadSize() < m_pAwait->nMinPayload) {
        note = "too short";
        ++m_nBadLength;
    } else if (m_pAwait->accept && !m_pAwait->accept(frame)) {
        note = "not the awaited answer";
        ++m_nOtherFrames;
    } else {
        m_bMatched = true;
        *m_pReply = frame;
    }
    m_log.Line("RX", bytes, static_cast<std::size_t>(size), note);
}

void CLine::OnDiscard(reply::Discard why, const std::uint8_t* bytes, int count) {
    switch (why) {
    case reply::Discard::Noise:
        m_nNoiseBytes += count;
        break;
    case reply::Discard::BadChecksum:
        ++m_nBadChecksum;
        break;
    case reply::Discard::BadLength:
    case reply::Discard::Mismatch:
        ++m_nBadLength;
        break;
    case reply::Discard::CutShort:
    case reply::Discard::Abandoned:
        ++m_nIncomplete;
        break;
    }
    m_log.Line("RX", bytes, static_cast<std::size_t>(count), reply::DiscardName(why));
}

} // namespace client
