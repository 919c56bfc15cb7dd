#include "tools/sgsim/emulator.h"

#include "link/frame_log.h"

#include <cstdio>

namespace sgsim {

std::string FormatLogLine(double seconds, const char* direction, const std::uint8_t* bytes,
                          std::size_t count, const std::string& note) {
    return framelog::FormatLine(seconds, direction, bytes, count, note);
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
        ++m_nMalformed;
        if (m_misbehaviour.bStrict) {
            std::string hex;
            char b[4];
            for (std::uint8_t byte : raw.abBytes) {
                std::snprintf(b, sizeof b, " %02x", byte);
                hex += b;
            }
            std::fprintf(stderr, "sgsim: malformed request:%s\n", hex.c_str());
            std::fflush(stderr);
        }
        return;
    }
    const CRequest request = CRequest::FromFrame(raw.abBytes);
    if (m_nResetSilenceLeft > 0) {
        --m_nResetSilenceLeft;
        log("busy after the reset, ignored");
        return;
    }
    if (m_misbehaviour.nIgnoreWord >= 0 && request.wWord == m_misbehaviour.nIgnoreWord) {
        log("not taken, ignored");
        return;
    }
    const CGenerator::CResult result = m_generator.Handle(request);
    if (request.wWord == cmd::ResetToDefault && result.eOutcome == CGenerator::Outcome::Answered)
        m_nResetSilenceLeft = m_misbehaviour.nResetSilence;
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
    if (m_misbehaviour.bChaos) {
        SendWithChaos(result.replies, out);
    } else if (!m_misbehaviour.bSilent) {
        for (const FrameBytes& reply : result.replies)
            Send(reply, out);
        if (m_misbehaviour.bAnnounce && request.wWord == m_misbehaviour.wAnnounceAfter)
            Send(m_generator.AddressReport(), out);
        if (m_misbehaviour.nStrayWord >= 0)
            Send(m_generator.Reply(static_cast<std::uint16_t>(m_misbehaviour.nStrayWord), nullptr,
                                   0),
                 out);
    }
    ++m_nAnswered;
    if (m_misbehaviour.nVanishAfter > 0 && m_nAnswered >= m_misbehaviour.nVanishAfter)
        m_bVanishDue = true;
}

void CEmulator::ComeBack() {
    m_bVanishDue = false;
    m_parser = CRequestParser{};
}

void CEmulator::SendWithChaos(const std::vector<FrameBytes>& replies, std::vector<COutFrame>& out) {
    auto pick = [this](int n) { return static_cast<int>(m_chaos() % static_cast<unsigned>(n)); };
    const std::size_t first = out.size();
    const int roll = pick(100);
    if (roll < 55) { // most replies as they should be
        for (const FrameBytes& reply : replies)
            Send(reply, out);
    } else if (roll < 63) { // silence
    } else if (roll < 71) { // later than any window
        for (const FrameBytes& reply : replies)
            Send(reply, out);
        const int delay = 250 + pick(1250);
        for (std::size_t i = first; i < out.size(); ++i) {
            out[i].nDelayMs = delay;
            out[i].strNote += "chaos: " + std::to_string(delay) + " ms late";
        }
    } else if (roll < 77) { // garbage before the reply, a false start byte now and then
        FrameBytes garbage(static_cast<std::size_t>(1 + pick(40)));
        for (auto& b : garbage)
            b = pick(4) == 0 ? 0xAB : static_cast<std::uint8_t>(pick(256));
        Emit(garbage, "chaos: garbage", out);
        for (const FrameBytes& reply : replies)
            Send(reply, out);
    } else if (roll < 82) { // a frame too short to hold its own header, then the reply
        const std::uint8_t length = static_cast<std::uint8_t>(pick(5));
        FrameBytes bogus = {0xAB, 0x00, 0x00, length, 0x00};
        for (int i = pick(8); i > 0; --i)
            bogus.push_back(static_cast<std::uint8_t>(pick(256)));
        Emit(bogus, "chaos: length " + std::to_string(length), out);
        for (const FrameBytes& reply : replies)
            Send(reply, out);
    } else if (roll < 87) { // the length off by a little
        for (const FrameBytes& reply : replies) {
            FrameBytes odd = reply;
            odd[3] = static_cast<std::uint8_t>(odd[3] + (pick(2) ? 1 + pick(3) : -1 - pick(3)));
            Emit(odd, "chaos: length changed", out);
        }
    } else if (roll < 92) { // a byte lost on the line
        for (const FrameBytes& reply : replies) {
            FrameBytes cut = reply;
            const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(cut.size())));
            cut.erase(cut.begin() + static_cast<long>(at));
            Emit(cut, "chaos: byte " + std::to_string(at) + " dropped", out);
        }
    } else if (roll < 97) { // a wrong checksum
        for (const FrameBytes& reply : replies) {
            FrameBytes bad = reply;
            bad.back() = static_cast<std::uint8_t>(bad.back() ^ (1 + pick(255)));
            Emit(bad, "chaos: checksum corrupted", out);
        }
    } else { // the reply, then the device's address report
        for (const FrameBytes& reply : replies)
            Send(reply, out);
        Send(m_generator.AddressReport(), out);
    }
    // Now and then the device goes away; the server brings it back on a new line.
    if (pick(150) == 0)
        m_bVanishDue = true;
}

void CEmulator::Send(FrameBytes bytes, std::vector<COutFrame>& out) {
    std::string note;
    ++m_nFramesSent;
    if (m_misbehaviour.nNoiseBefore > 0)
        Emit(FrameBytes(static_cast<std::size_t>(m_misbehaviour.nNoiseBefore), 0x55), "noise", out);
    if (m_misbehaviour.bReplyAddress && bytes.size() >= frame::kOverhead) {
        bytes[5] = m_misbehaviour.replyAddress.group;
        bytes[6] = m_misbehaviour.replyAddress.device;
        bytes.back() = frame::Checksum(bytes.data(), bytes.size() - 1);
        note = "address changed";
    }
    if (m_misbehaviour.nCorruptEvery > 0 && m_nFramesSent % m_misbehaviour.nCorruptEvery == 0) {
        bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
        note += (note.empty() ? "" : ", ") + std::string("checksum corrupted");
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
    Emit(std::move(bytes), std::move(note), out);
}

void CEmulator::Emit(FrameBytes bytes, std::string note, std::vector<COutFrame>& out) {
    if (m_log && m_bLogSent)
        m_log("TX", bytes, note);
    out.push_back({std::move(bytes), std::move(note)});
}

} // namespace sgsim
