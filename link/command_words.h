// Command words of the generator's serial protocol. A word with bit 15 set queries the item that
// the same word without it sets.
#pragma once

#include <cstdint>

namespace cmd {

constexpr std::uint16_t kQueryBit = 0x8000;

constexpr std::uint16_t SetTiming = 0x0061;
constexpr std::uint16_t SetPattern = 0x0062;
constexpr std::uint16_t SetColorSpace = 0x0063;
constexpr std::uint16_t SetColorDepth = 0x0064;
constexpr std::uint16_t SetHdcp = 0x0065;
constexpr std::uint16_t SetHdmiDviMode = 0x0066;
constexpr std::uint16_t SetSampleRate = 0x0067;
constexpr std::uint16_t SetAudioBits = 0x0068;
constexpr std::uint16_t SetAudioSource = 0x0069;
constexpr std::uint16_t SetChannelsSdi = 0x006a;
constexpr std::uint16_t SetChannelsHdmi = 0x006b;
constexpr std::uint16_t SetOutputInterface = 0x0082;
constexpr std::uint16_t StoreUserTiming = 0x00a0;
constexpr std::uint16_t SetSignalOutput = 0x00ab;
constexpr std::uint16_t ResetToDefault = 0x7802;

constexpr std::uint16_t QueryTiming = 0x8061;
constexpr std::uint16_t QueryPattern = 0x8062;
constexpr std::uint16_t QueryColorSpace = 0x8063;
constexpr std::uint16_t QueryColorDepth = 0x8064;
constexpr std::uint16_t QueryHdcp = 0x8065;
constexpr std::uint16_t QueryHdmiDviMode = 0x8066;
constexpr std::uint16_t QuerySampleRate = 0x8067;
constexpr std::uint16_t QueryAudioBits = 0x8068;
constexpr std::uint16_t QueryAudioSource = 0x8069;
constexpr std::uint16_t QueryChannelsSdi = 0x806a;
constexpr std::uint16_t QueryChannelsHdmi = 0x806b;
constexpr std::uint16_t QueryOutputInterface = 0x8082;
constexpr std::uint16_t FetchUserTiming = 0x80a0;
constexpr std::uint16_t QueryTimingDetails = 0x80a1;
constexpr std::uint16_t QueryStatusSummary = 0x80a9;
constexpr std::uint16_t ReadSavedEdid = 0x80aa;
constexpr std::uint16_t QuerySignalOutput = 0x80ab;
constexpr std::uint16_t ReadSinkEdid = 0xb838;
constexpr std::uint16_t QueryHotPlug = 0xb839;
constexpr std::uint16_t DeviceAddressReport = 0xf801;
constexpr std::uint16_t Search = 0xf802;

// Words the generator may send that the console accepts without acting on them.
constexpr std::uint16_t Reply00a8 = 0x00a8;
constexpr std::uint16_t Reply7801 = 0x7801;
constexpr std::uint16_t Reply7878 = 0x7878;

// The item a word sets or asks for, in the catalogue's words ("query output timing"); nullptr for
// a word the catalogue does not list.
const char* CommandName(std::uint16_t word);

} // namespace cmd
