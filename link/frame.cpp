// Frame building shared by the console's frame builders, the search and the generator emulator.
#include "link/frame.h"

#include <cstring>

namespace frame {

std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    return static_cast<std::uint8_t>(0u - sum);
}

std::size_t Build(std::uint8_t* out, std::uint8_t start, DeviceAddress address, std::uint16_t word,
                  const std::uint8_t* payload, std::size_t payloadLength) {
    const std::size_t length = payloadLength + 5;
    out[0] = start;
    out[1] = 0x00;
    out[2] = 0x00;
    out[3] = static_cast<std::uint8_t>(length & 0xFF);
    out[4] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    out[5] = address.group;
    out[6] = address.device;
    out[7] = static_cast<std::uint8_t>(word & 0xFF);
    out[8] = static_cast<std::uint8_t>(word >> 8);
    if (payloadLength > 0)
        std::memcpy(out + 9, payload, payloadLength);
    out[9 + payloadLength] = Checksum(out, 9 + payloadLength);
    return payloadLength + kOverhead;
}

bool AcceptsReplyFrom(DeviceAddress own, std::uint8_t group, std::uint8_t device) {
    const std::uint8_t g = own.group, d = own.device;
    if (g == 0x00 && d == 0x00)
        return true;
    if (g == 0xFF && d == 0xFF)
        return true;
    if (g != 0x00 && g != 0xFF && (d == 0x00 || d == 0xFF))
        return true;
    return group == g && device == d;
}

} // namespace frame
