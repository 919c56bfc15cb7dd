#include "tools/sgsim/emulator.h"

#include <cstdio>

namespace sgsim {

std::string FormatLogLine(double seconds, const char* direction, const std::uint8_t* bytes,
                          std::size_t count, const std::string& note) {
    char head[32];
    std::snprintf(head, sizeof head, "%12.6f %s", seconds, direction);
    std::string line = head;
    char hex[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", bytes[i]);
        line += hex;
    }
    if (!note.empty())
        line += "  (" + note + ")";
    return line;
}

std::vector<COutFrame> CEmulator::Feed(const std::uint8_t* data, std::size_t count) {
    std::vector<COutFrame> out;
    std::vector<CRawFrame> frames;
    for (std::size_t i = 0; i < count && !m_bVanishDue; ++i) {
        frames.clear();
        m_parser.Feed(data[i], frames);
        for (const CRawFrame& raw : frames)
            Process(raw, out);
    }
    return out;
}

FrameBytes CEmulator::FeedBytes(const FrameBytes& data) {
    FrameBytes all;
    for (const COutFrame& f : Feed(data))
        all.insert(all.end(), f.abBytes.begin(), f.abBytes.end());
    return all;
}

std::vector<COutFrame> CEmulator::Abandon() {
    std::vector<COutFrame> out;
    std::vector<CRawFrame> frames;
    m_parser.Abandon(frames);
    for (const CRawFrame& raw : frames)
        Process(raw, out);
    return out;
}

void CEmulator::Process(const CRawFrame& raw, std::vector<COutFrame>& out) {
    auto log = [this, &raw](const std::string& note) {
        if (m_log)
            m_log("RX", raw.abBytes, note);
    };
    if (m_bVanishDue)
        return;
    if (!raw.bChecksumOk) {
        log("bad checksum, ignored");
        return;
    }
    const CRequest request = CRequest::FromFrame(raw.abBytes);
    const CGenerator::CResult result = m_generator.Handle(request);
    switch (result.eOutcome) {
    case CGenerator::Outcome::ForeignAddress:
        log("not our address, ignored");
        return;
    case CGenerator::Outcome::UnknownWord:
        log("unknown command word, ignored");
        return;
    case CGenerator::Outcome::BadRequest:
        log("refused");
        return;
    case CGenerator::Outcome::Answered:
        break;
    }
    log(m_misbehaviour.bSilent ? "silent" : "");
    if (!m_misbehaviour.bSilent) {
        for (const FrameBytes& reply : result.replies)
            Send(reply, out);
        if (m_misbehaviour.bAnnounce && request.wWord == m_misbehaviour.wAnnounceAfter)
            Send(m_generator.AddressReport(), out);
    }
    ++m_nAnswered;
    if (m_misbehaviour.nVanishAfter > 0 && m_nAnswered >= m_misbehaviour.nVanishAfter)
        m_bVanishDue = true;
}

void CEmulator::Send(FrameBytes bytes, std::vector<COutFrame>& out) {
    std::string note;
    ++m_nFramesSent;
    if (m_misbehaviour.nCorruptEvery > 0 && m_nFramesSent % m_misbehaviour.nCorruptEvery == 0) {
        bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
        note = "checksum corrupted";
    }
    if (m_misbehaviour.nDropEvery > 0) {
        FrameBytes kept;
        kept.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (++m_nBytesSent % m_misbehaviour.nDropEvery == 0) {
                note += (note.empty() ? "" : ", ") + std::string("byte ") + std::to_string(i) +
                        " dropped";
                continue;
            }
            kept.push_back(bytes[i]);
        }
        bytes.swap(kept);
    }
    if (m_log && m_bLogSent)
        m_log("TX", bytes, note);
    out.push_back({std::move(bytes), std::move(note)});
}

} // namespace sgsim
