// The exchanges with the generator, stated once: the device search over the COM ports and its
// windows, the status read-back and its order, the pacing of the settings that ask for the
// state after them, the user timing upload with its waits, and the two forms of the EDID read.
// The console steps through them on its timers; the protocol client (link/generator_client.h)
// runs them synchronously. Plain data and functions, no I/O.
#pragma once

#include "link/command_words.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace exchange {

// --- Device search ------------------------------------------------------------------------------
constexpr int kFirstCom = 1;
constexpr int kLastCom = 99;
constexpr int kFirstProbeMs = 300; // the search frame on the first port that opens
constexpr int kNextProbeMs = 400;  // ... on each later one
// A search reply "found" carries these two payload bytes.
constexpr std::uint8_t kFoundPayload[2] = {0x00, 0x00};

// --- Replies ------------------------------------------------------------------------------------
// A reply under way may take this long between two of its bytes.
constexpr int kByteIntervalMs = 200;
// Between opening a port and the first query of its read-back.
constexpr int kSettleAfterOpenMs = 200;

// --- Status read-back
// -----------------------------------------------------------------------------
constexpr int kStatusItems = 12; // items 0..11, one byte each
constexpr int kRecordItem = 12;  // item 12: the user timing records, slots 0..9
constexpr int kUserSlots = 10;
constexpr int kReadBackIntervalMs = 400;    // each item's reply (and "Update Status")
constexpr int kReadBackAfterSearchMs = 800; // the first reply after a search

enum Item {
    kTimingItem,
    kPatternItem,
    kColorSpaceItem,
    kColorDepthItem,
    kHdcpItem,
    kHdmiDviItem,
    kSampleRateItem,
    kAudioBitsItem,
    kAudioSourceItem,
    kChannelItem,
    kHotPlugItem,
    kSignalItem,
};

// The query of read-back item 0..11 for the output selected (item 9 asks the channel setting of
// that output); any other item is the user timing fetch.
constexpr std::uint16_t ReadBackWord(int item, bool hdmiOutput) {
    switch (item) {
    case kTimingItem:
        return cmd::QueryTiming;
    case kPatternItem:
        return cmd::QueryPattern;
    case kColorSpaceItem:
        return cmd::QueryColorSpace;
    case kColorDepthItem:
        return cmd::QueryColorDepth;
    case kHdcpItem:
        return cmd::QueryHdcp;
    case kHdmiDviItem:
        return cmd::QueryHdmiDviMode;
    case kSampleRateItem:
        return cmd::QuerySampleRate;
    case kAudioBitsItem:
        return cmd::QueryAudioBits;
    case kAudioSourceItem:
        return cmd::QueryAudioSource;
    case kChannelItem:
        return hdmiOutput ? cmd::QueryChannelsHdmi : cmd::QueryChannelsSdi;
    case kHotPlugItem:
        return cmd::QueryHotPlug;
    case kSignalItem:
        return cmd::QuerySignalOutput;
    default:
        return cmd::FetchUserTiming;
    }
}

// --- Settings that ask for the state after them
// ------------------------------------------------------
constexpr int kAutoSettingWaitMs = 300; // an AUTO choice, before 0x80a9
constexpr int kAudioBitsWaitMs = 20;    // the audio bits, before anything else
constexpr int kAutoTimingWaitMs = 400;  // Auto (timing 61), before 0x80a1
constexpr int kConfirmWindowMs = 1000;  // a setting's acknowledgement is due within this

// --- User timing upload -------------------------------------------------------------------------
// When the slot about to be rewritten is the one saved last, the generator first leaves it for
// timing 2, then waits; the record is stored (0x00a0); after a wait its timing is selected.
constexpr std::uint8_t kLeaveSlotTiming = 2;
constexpr int kLeaveSlotWaitMs = 400;
constexpr int kAfterStoreWaitMs = 500;

// --- EDID reads
// -------------------------------------------------------------------------------------
constexpr int kEdidReplyMs = 600; // the reply must begin within this
struct EdidRead {
    std::uint16_t word;
    std::uint8_t payload;
    bool saved;
};
// Source 0: the sink's EDID (0xb838 with 0x01, answered with 256 bytes); 1..6: saved EDID n
// (0x80aa with slot n - 1, answered with the slot byte and 256 bytes).
constexpr EdidRead EdidReadOf(int source) {
    return source > 0 ? EdidRead{cmd::ReadSavedEdid, static_cast<std::uint8_t>(source - 1), true}
                      : EdidRead{cmd::ReadSinkEdid, 0x01, false};
}
constexpr int kSavedEdids = 6;
// The EDID a read brings: 256 bytes, the image the EDID decoder (edid/) takes as it is.
constexpr std::size_t kEdidBytes = 256;
using EdidBytes = std::array<std::uint8_t, kEdidBytes>;

} // namespace exchange
