// Request and reply frames on the serial line:
//   start (0xAA request, 0xAB reply), 0x00, 0x00, length (LE16, = payload + 5),
//   group address, device address, command word (LE16), payload, checksum
// The checksum makes the 8-bit sum of the whole frame zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace frame {

constexpr std::uint8_t kRequestStart = 0xAA;
constexpr std::uint8_t kReplyStart = 0xAB;
constexpr int kOverhead = 10;    // bytes of a frame around its payload
constexpr int kMaxPayload = 290; // largest payload the console sends
constexpr int kMaxFrame = kOverhead + kMaxPayload;

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

inline std::size_t BuildReply(std::uint8_t* out, DeviceAddress address, std::uint16_t word,
                              const std::uint8_t* payload, std::size_t payloadLength) {
    return Build(out, kReplyStart, address, word, payload, payloadLength);
}

} // namespace frame
