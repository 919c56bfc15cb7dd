// Request and reply frames on the serial line:
//   start (0xAA request, 0xAB reply), 0x00, 0x00, length (LE16, = payload + 5),
//   group address, device address, command word (LE16), payload, checksum
// The checksum makes the 8-bit sum of the whole frame zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace frame {

constexpr std::uint8_t kRequestStart = 0xAA;
constexpr std::uint8_t kReplyStart = 0xAB;
constexpr int kOverhead = 10;    // bytes of a frame around its payload
constexpr int kMaxPayload = 290; // largest payload the console sends
constexpr int kMaxFrame = kOverhead + kMaxPayload;

// Where the parts of a frame are.
constexpr int kLengthAt = 3;    // the length field, two bytes
constexpr int kGroupAt = 5;     // the group address
constexpr int kDeviceAt = 6;    // the device address
constexpr int kWordAt = 7;      // the command word, two bytes
constexpr int kPayloadAt = 9;   // the payload
constexpr int kLengthExtra = 5; // the length field counts addresses, word and checksum too

struct DeviceAddress {
    std::uint8_t group = 0;
    std::uint8_t device = 0;
};

// Two's complement of the 8-bit sum of the bytes.
std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count);

// Writes a frame with the given start byte into out (at least payloadLength + 10 bytes) and
// returns its size. payloadLength must not exceed what out can hold.
std::size_t Build(std::uint8_t* out, std::uint8_t start, DeviceAddress address, std::uint16_t word,
                  const std::uint8_t* payload, std::size_t payloadLength);

inline std::size_t BuildRequest(std::uint8_t* out, DeviceAddress address, std::uint16_t word,
                                const std::uint8_t* payload, std::size_t payloadLength) {
    return Build(out, kRequestStart, address, word, payload, payloadLength);
}

// The console's filter on the address of an answering generator, given its own address: with
// 00:00 or FF:FF, or a group other than 00 and FF with the device 00 or FF (a group broadcast),
// every reply is taken; otherwise only replies from exactly that group and device. The device
// address report (0xf801) is taken from any generator and is not filtered.
bool AcceptsReplyFrom(DeviceAddress own, std::uint8_t group, std::uint8_t device);

// The length field of a frame whose first five bytes are at hand.
inline int LengthField(const std::uint8_t* frame) {
    return frame[kLengthAt] | (frame[kLengthAt + 1] << 8);
}
// The payload of a frame of size bytes (its checksum excluded), and how many bytes it holds.
inline const std::uint8_t* Payload(const std::uint8_t* frame) {
    return frame + kPayloadAt;
}
inline int PayloadSize(std::size_t frameSize) {
    return static_cast<int>(frameSize) - kOverhead;
}
// The command word a reply answers: bytes 7 and 8, or, in the indirect form (device byte and word
// low byte both 0xFF), payload bytes 0 and 1. False when the frame is an indirect one too short
// to hold its word.
bool ReplyWord(const std::uint8_t* frame, std::size_t size, std::uint16_t& word);

// Bytes as two lower-case hex digits each, separated by sep ("ab 00 06", or "ab0006" with "").
std::string Hex(const std::uint8_t* bytes, std::size_t count, const char* sep = " ");
// The value of a hex digit, -1 for any other character.
int HexDigit(char c);
// Hex bytes, two digits each; blanks, colons and commas between bytes and a 0x before any are
// passed over. False when anything else is there or a digit is left alone.
bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes);

inline std::size_t BuildReply(std::uint8_t* out, DeviceAddress address, std::uint16_t word,
                              const std::uint8_t* payload, std::size_t payloadLength) {
    return Build(out, kReplyStart, address, word, payload, payloadLength);
}

} // namespace frame
