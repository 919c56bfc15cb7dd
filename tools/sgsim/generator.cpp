#include "tools/sgsim/generator.h"

#include "link/command_words.h"
#include "tools/sgsim/timing_table.h"

#include <algorithm>

namespace sgsim {

namespace {

// A fresh generator holds 1280x720 at 60 Hz in every user slot.
UserTimingRecord::Bytes DefaultUserTiming(int slot) {
    UserTimingRecord r;
    r.slot = static_cast<std::uint8_t>(slot);
    r.pixelClock10kHz = 7425;
    r.flags = UserTimingRecord::kHsyncPositive | UserTimingRecord::kVsyncPositive;
    r.hActive = 1280;
    r.hBlank = 370;
    r.hsOffset = 110;
    r.hsWidth = 40;
    r.vActive = 720;
    r.vBlank = 30;
    r.vsOffset = 5;
    r.vsWidth = 5;
    return r.ToBytes();
}

// Highest accepted value of each one-byte setting; -1 for words that are not one-byte settings.
int MaxSettingValue(std::uint16_t word) {
    switch (word) {
    case cmd::SetTiming:
        return timing::kLast;
    case cmd::SetPattern:
        return 42;
    case cmd::SetColorSpace:
    case cmd::SetColorDepth:
        return 4;
    case cmd::SetHdcp:
    case cmd::SetOutputInterface:
    case cmd::SetSignalOutput:
        return 1;
    case cmd::SetHdmiDviMode:
        return 2;
    case cmd::SetSampleRate:
        return 7;
    case cmd::SetAudioBits:
    case cmd::SetAudioSource:
        return 3;
    case cmd::SetChannelsSdi:
        return 7;
    case cmd::SetChannelsHdmi:
        return 31;
    default:
        return -1;
    }
}

} // namespace

CRequest CRequest::FromFrame(const std::vector<std::uint8_t>& bytes) {
    CRequest r;
    if (bytes.size() < static_cast<std::size_t>(frame::kOverhead))
        return r;
    r.address = {bytes[5], bytes[6]};
    r.wWord = static_cast<std::uint16_t>(bytes[7] | (bytes[8] << 8));
    r.abPayload.assign(bytes.begin() + 9, bytes.end() - 1);
    return r;
}

CGenerator::CGenerator() {
    for (int i = 0; i < 10; ++i)
        m_state.userTimings[static_cast<std::size_t>(i)] = DefaultUserTiming(i);
    for (int i = 0; i < kSavedEdids; ++i)
        m_state.savedEdids[static_cast<std::size_t>(i)] = SavedEdid(i);
    SetSinkEdid(SinkTvEdid());
}

void CGenerator::SetSinkEdid(const edid::Image& edid) {
    m_state.sinkEdid = edid;
    // Auto outputs the sink's preferred timing; without one, 1080p60.
    if (!RecordFromPreferredTiming(edid, m_state.autoTiming))
        m_state.autoTiming = RecordFromRow(*BuiltInTiming(20), 0).ToBytes();
}

bool CGenerator::Accepts(frame::DeviceAddress a) const {
    if ((a.group == 0x00 && a.device == 0x00) || (a.group == 0xFF && a.device == 0xFF))
        return true;
    if (a.group != m_state.address.group)
        return false;
    return a.device == m_state.address.device || a.device == 0x00 || a.device == 0xFF;
}

FrameBytes CGenerator::Reply(std::uint16_t word, const std::uint8_t* payload,
                             std::size_t length) const {
    FrameBytes out(length + frame::kOverhead);
    frame::BuildReply(out.data(), m_state.address, word, payload, length);
    return out;
}

FrameBytes CGenerator::ReplyByte(std::uint16_t word, int value) const {
    const std::uint8_t b = static_cast<std::uint8_t>(value);
    return Reply(word, &b, 1);
}

FrameBytes CGenerator::AddressReport() const {
    const std::uint8_t payload[2] = {m_state.address.group, m_state.address.device};
    return Reply(cmd::DeviceAddressReport, payload, 2);
}

UserTimingRecord::Bytes CGenerator::TimingDetails(int code) const {
    if (code == timing::kAuto)
        return m_state.autoTiming;
    if (timing::IsUser(code))
        return m_state.userTimings[static_cast<std::size_t>(timing::UserSlot(code))];
    const CTimingRow* row = BuiltInTiming(code);
    return RecordFromRow(row ? *row : *BuiltInTiming(20), 0).ToBytes();
}

std::array<std::uint8_t, 6> CGenerator::StatusSummary() const {
    const CSettings& s = m_state.settings;
    int space = s.nColorSpace == 4 ? (timing::Is420(s.nTiming) ? 3 : 0) : s.nColorSpace;
    int depth = s.nColorDepth == 4 ? 0 : s.nColorDepth;
    int mode = s.nHdmiDviMode == 2 ? (EdidHasHdmiBlock(m_state.sinkEdid) ? 1 : 0) : s.nHdmiDviMode;
    int rate = s.nSampleRate == 7 ? 2 : s.nSampleRate;
    const int bits = s.nAudioBits == 3 ? 2 : s.nAudioBits;
    const int channels = s.nOutputInterface == 0 ? s.nChannelsHdmi : s.nChannelsSdi;
    if (s.nOutputInterface != 0) { // SDI carries YCbCr 4:2:2, 10 bit, 48 kHz audio
        space = 2;
        depth = 1;
        rate = 2;
    }
    return {static_cast<std::uint8_t>(space), static_cast<std::uint8_t>(depth),
            static_cast<std::uint8_t>(mode),  static_cast<std::uint8_t>(rate),
            static_cast<std::uint8_t>(bits),  static_cast<std::uint8_t>(channels)};
}

// Applies a one-byte setting; false when the value is refused.
bool CGenerator::ApplySetting(std::uint16_t word, int value) {
    CSettings& s = m_state.settings;
    switch (word) {
    case cmd::SetTiming:
        s.nTiming = value;
        // Every 4K timing goes out at 8 bits per colour; the 50/60 Hz ones as YCbCr 4:2:0, and
        // leaving them ends 4:2:0.
        if (timing::Is4k(value))
            s.nColorDepth = 0;
        if (timing::Is420(value))
            s.nColorSpace = 3;
        else if (s.nColorSpace == 3)
            s.nColorSpace = 0;
        return true;
    case cmd::SetPattern:
        s.nPattern = value;
        return true;
    case cmd::SetColorSpace:
        // 4:2:0 is tied to the 4K 50/60 Hz timings, and those allow nothing else.
        if ((value == 3) != timing::Is420(s.nTiming))
            return false;
        if (s.nHdmiDviMode == 0 && value != 0)
            return false;
        s.nColorSpace = value;
        return true;
    case cmd::SetColorDepth:
        if (s.nHdmiDviMode == 0 && value != 0)
            return false;
        if (timing::Is4k(s.nTiming) && value != 0 && value != 4)
            return false;
        s.nColorDepth = value;
        return true;
    case cmd::SetHdcp:
        s.nHdcp = value;
        return true;
    case cmd::SetHdmiDviMode:
        s.nHdmiDviMode = value;
        if (value == 0) { // DVI carries 8-bit RGB only
            s.nColorSpace = timing::Is420(s.nTiming) ? 3 : 0;
            s.nColorDepth = 0;
        }
        return true;
    case cmd::SetSampleRate:
        s.nSampleRate = value;
        return true;
    case cmd::SetAudioBits:
        s.nAudioBits = value;
        return true;
    case cmd::SetAudioSource:
        s.nAudioSource = value;
        return true;
    case cmd::SetChannelsSdi:
        s.nChannelsSdi = value;
        return true;
    case cmd::SetChannelsHdmi:
        s.nChannelsHdmi = value;
        return true;
    case cmd::SetOutputInterface:
        s.nOutputInterface = value;
        return true;
    case cmd::SetSignalOutput:
        s.nSignal = value;
        return true;
    default:
        return false;
    }
}

CGenerator::CResult CGenerator::Handle(const CRequest& request) {
    CResult result;
    if (!Accepts(request.address)) {
        result.eOutcome = Outcome::ForeignAddress;
        return result;
    }
    const std::uint16_t word = request.wWord;
    const std::vector<std::uint8_t>& payload = request.abPayload;
    const CSettings& s = m_state.settings;
    auto bad = [&result]() {
        result.eOutcome = Outcome::BadRequest;
        return result;
    };

    const int maxValue = MaxSettingValue(word);
    if (maxValue >= 0) {
        if (payload.empty() || payload[0] > maxValue || !ApplySetting(word, payload[0]))
            return bad();
        result.replies.push_back(ReplyByte(word, payload[0]));
        return result;
    }

    switch (word) {
    case cmd::StoreUserTiming:
        if (payload.size() != UserTimingRecord::kSize || payload[0] > 9)
            return bad();
        std::copy(payload.begin(), payload.end(), m_state.userTimings[payload[0]].begin());
        result.replies.push_back(ReplyByte(word, payload[0]));
        return result;
    case cmd::ResetToDefault:
        RestoreDefaults();
        result.replies.push_back(Reply(word, nullptr, 0));
        return result;
    case cmd::QueryTiming:
        result.replies.push_back(ReplyByte(word, s.nTiming));
        return result;
    case cmd::QueryPattern:
        result.replies.push_back(ReplyByte(word, s.nPattern));
        return result;
    case cmd::QueryColorSpace:
        result.replies.push_back(ReplyByte(word, s.nColorSpace));
        return result;
    case cmd::QueryColorDepth:
        result.replies.push_back(ReplyByte(word, s.nColorDepth));
        return result;
    case cmd::QueryHdcp:
        result.replies.push_back(ReplyByte(word, s.nHdcp));
        return result;
    case cmd::QueryHdmiDviMode:
        result.replies.push_back(ReplyByte(word, s.nHdmiDviMode));
        return result;
    case cmd::QuerySampleRate:
        result.replies.push_back(ReplyByte(word, s.nSampleRate));
        return result;
    case cmd::QueryAudioBits:
        result.replies.push_back(ReplyByte(word, s.nAudioBits));
        return result;
    case cmd::QueryAudioSource:
        result.replies.push_back(ReplyByte(word, s.nAudioSource));
        return result;
    case cmd::QueryChannelsSdi:
        result.replies.push_back(ReplyByte(word, s.nChannelsSdi));
        return result;
    case cmd::QueryChannelsHdmi:
        result.replies.push_back(ReplyByte(word, s.nChannelsHdmi));
        return result;
    case cmd::QueryOutputInterface:
        result.replies.push_back(ReplyByte(word, s.nOutputInterface));
        return result;
    case cmd::QuerySignalOutput:
        result.replies.push_back(ReplyByte(word, s.nSignal));
        return result;
    case cmd::QueryHotPlug:
        result.replies.push_back(ReplyByte(word, m_state.bHotPlug ? 1 : 0));
        return result;
    case cmd::FetchUserTiming: {
        if (payload.size() != 1 || payload[0] > 9)
            return bad();
        const UserTimingRecord::Bytes& record = m_state.userTimings[payload[0]];
        result.replies.push_back(Reply(word, record.data(), record.size()));
        return result;
    }
    case cmd::QueryTimingDetails: {
        // With a code: the details of that timing; without one: of the timing in force.
        const int code = (!payload.empty() && payload[0] <= timing::kLast) ? payload[0] : s.nTiming;
        const UserTimingRecord::Bytes record = TimingDetails(code);
        result.replies.push_back(Reply(word, record.data(), record.size()));
        return result;
    }
    case cmd::QueryStatusSummary: {
        const std::array<std::uint8_t, 6> summary = StatusSummary();
        result.replies.push_back(Reply(word, summary.data(), summary.size()));
        return result;
    }
    case cmd::ReadSavedEdid: {
        if (payload.size() != 1 || payload[0] >= kSavedEdids)
            return bad();
        std::uint8_t body[257];
        body[0] = payload[0];
        std::copy(m_state.savedEdids[payload[0]].begin(), m_state.savedEdids[payload[0]].end(),
                  body + 1);
        result.replies.push_back(Reply(word, body, sizeof body));
        return result;
    }
    case cmd::ReadSinkEdid:
        // Without a sink on the output there is no EDID to read.
        if (!m_state.bHotPlug)
            return bad();
        result.replies.push_back(Reply(word, m_state.sinkEdid.data(), m_state.sinkEdid.size()));
        return result;
    case cmd::Search: {
        const std::uint8_t found[2] = {0x00, 0x00};
        result.replies.push_back(Reply(word, found, 2));
        return result;
    }
    default:
        result.eOutcome = Outcome::UnknownWord;
        return result;
    }
}

bool EdidHasHdmiBlock(const edid::Image& edid) {
    if (edid[126] == 0 || edid[128] != 0x02)
        return false;
    const int end = edid[130];
    if (end < 4 || end > 127)
        return false;
    for (int offset = 4; offset < end;) {
        const int header = edid[128 + offset];
        const int length = header & 0x1F;
        if (offset + length >= end + 1)
            return false;
        if ((header >> 5) == 3 && length >= 3 && edid[128 + offset + 1] == 0x03 &&
            edid[128 + offset + 2] == 0x0C && edid[128 + offset + 3] == 0x00)
            return true;
        offset += length + 1;
    }
    return false;
}

bool RecordFromPreferredTiming(const edid::Image& edid, UserTimingRecord::Bytes& record) {
    static const std::uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (!std::equal(kHeader, kHeader + 8, edid.begin()))
        return false;
    const std::uint8_t* d = edid.data() + 54;
    const int clock = d[0] | (d[1] << 8);
    const int hActive = d[2] | ((d[4] >> 4) << 8);
    const int hBlank = d[3] | ((d[4] & 0x0F) << 8);
    const int vActive = d[5] | ((d[7] >> 4) << 8);
    const int vBlank = d[6] | ((d[7] & 0x0F) << 8);
    if (clock == 0 || hActive == 0 || vActive == 0 || hBlank == 0 || vBlank == 0)
        return false;
    UserTimingRecord r;
    r.slot = 0;
    r.pixelClock10kHz = static_cast<std::uint16_t>(clock);
    r.hActive = static_cast<std::uint16_t>(hActive);
    r.hBlank = static_cast<std::uint16_t>(hBlank);
    r.hsOffset = static_cast<std::uint16_t>(d[8] | ((d[11] >> 6) << 8));
    r.hsWidth = static_cast<std::uint16_t>(d[9] | (((d[11] >> 4) & 0x03) << 8));
    r.vActive = static_cast<std::uint16_t>(vActive);
    r.vBlank = static_cast<std::uint16_t>(vBlank);
    r.vsOffset = static_cast<std::uint16_t>((d[10] >> 4) | (((d[11] >> 2) & 0x03) << 4));
    r.vsWidth = static_cast<std::uint16_t>((d[10] & 0x0F) | ((d[11] & 0x03) << 4));
    // Digital separate sync keeps the polarities in bits 2 (V) and 1 (H), as the record does.
    const bool separate = (d[17] & 0x18) == 0x18;
    r.flags = static_cast<std::uint8_t>(((d[17] & 0x80) ? UserTimingRecord::kInterlaced : 0) |
                                        (separate ? (d[17] & 0x06) : 0));
    record = r.ToBytes();
    return true;
}

} // namespace sgsim
