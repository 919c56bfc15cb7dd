// The emulated generator: its state and what it does with each request frame. Settings change
// the state and are acknowledged; queries are answered from the state in the reply layouts the
// console parses. Nothing here knows about time, ports or misbehaviour.
#pragma once

#include "link/frame.h"
#include "link/user_timing_record.h"
#include "tools/sgsim/builtin_edids.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sgsim {

using FrameBytes = std::vector<std::uint8_t>;

struct CRequest {
    frame::DeviceAddress address;
    std::uint16_t wWord = 0;
    std::vector<std::uint8_t> abPayload;

    // Reads a checksum-valid request frame.
    static CRequest FromFrame(const std::vector<std::uint8_t>& bytes);
};

// Output and audio settings, the part of the state that 0x7802 restores.
struct CSettings {
    int nTiming = 20;         // 1080p(60)
    int nPattern = 0;         // 100% colour bar
    int nColorSpace = 0;      // RGB 4:4:4
    int nColorDepth = 0;      // 8 bit
    int nHdcp = 0;            // off
    int nHdmiDviMode = 1;     // HDMI
    int nSampleRate = 2;      // 48 kHz
    int nAudioBits = 2;       // 24 bit
    int nAudioSource = 0;     // internal 1 kHz tone
    int nChannelsSdi = 0;     // CH1,2
    int nChannelsHdmi = 0;    // 2CH
    int nOutputInterface = 0; // HDMI
    int nSignal = 0;          // on
};

struct CGeneratorState {
    CSettings settings;
    bool bHotPlug = true;
    std::array<UserTimingRecord::Bytes, 10> userTimings{};
    UserTimingRecord::Bytes autoTiming{}; // the timing chosen for Auto from the sink's EDID
    frame::DeviceAddress address{0x01, 0x01};
    edid::Image sinkEdid{};
    std::array<edid::Image, kSavedEdids> savedEdids{};
};

class CGenerator {
public:
    enum class Outcome {
        Answered,       // replies (possibly an acknowledgement) produced
        ForeignAddress, // addressed to another generator: ignored
        UnknownWord,    // not a command of this generator: ignored
        BadRequest,     // missing payload or a value out of range: ignored, state unchanged
    };

    struct CResult {
        Outcome eOutcome = Outcome::Answered;
        std::vector<FrameBytes> replies;
    };

    CGenerator();

    CResult Handle(const CRequest& request);

    // Address filter: the device's own address, the broadcasts 00:00 and FF:FF, and the group
    // broadcasts G:00 and G:FF of the device's own group G.
    bool Accepts(frame::DeviceAddress address) const;

    // The 0xf801 report of the device's address.
    FrameBytes AddressReport() const;

    void RestoreDefaults() { m_state.settings = CSettings{}; }
    void SetSinkEdid(const edid::Image& edid);

    // The record 0x80a1 reports for a timing code (61 Auto, 62..71 user slots, 0..60 built in).
    UserTimingRecord::Bytes TimingDetails(int code) const;

    // The output format in force (0x80a9): AUTO choices resolved, SDI's fixed format applied.
    std::array<std::uint8_t, 6> StatusSummary() const;

    CGeneratorState& State() { return m_state; }
    const CGeneratorState& State() const { return m_state; }

    // A reply frame from this device with the given word and payload.
    FrameBytes Reply(std::uint16_t word, const std::uint8_t* payload, std::size_t length) const;

private:
    FrameBytes ReplyByte(std::uint16_t word, int value) const;
    bool ApplySetting(std::uint16_t word, int value);

    CGeneratorState m_state;
};

// Whether an EDID announces HDMI: a CTA-861 extension with the HDMI vendor-specific block.
bool EdidHasHdmiBlock(const edid::Image& edid);

// The 20-byte record of the preferred (first) detailed timing of a base block; false when the
// image has no EDID header or the descriptor there is not a usable timing.
bool RecordFromPreferredTiming(const edid::Image& edid, UserTimingRecord::Bytes& record);

} // namespace sgsim
