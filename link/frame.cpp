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
    const std::size_t length = payloadLength + kLengthExtra;
    out[0] = start;
    out[1] = 0x00;
    out[2] = 0x00;
    out[kLengthAt] = static_cast<std::uint8_t>(length & 0xFF);
    out[kLengthAt + 1] = static_cast<std::uint8_t>((length >> 8) & 0xFF);
    out[kGroupAt] = address.group;
    out[kDeviceAt] = address.device;
    out[kWordAt] = static_cast<std::uint8_t>(word & 0xFF);
    out[kWordAt + 1] = static_cast<std::uint8_t>(word >> 8);
    if (payloadLength > 0)
        std::memcpy(out + kPayloadAt, payload, payloadLength);
    out[kPayloadAt + payloadLength] = Checksum(out, kPayloadAt + payloadLength);
    return payloadLength + kOverhead;
}

bool ReplyWord(const std::uint8_t* frame, std::size_t size, std::uint16_t& word) {
    if (size < static_cast<std::size_t>(kPayloadAt))
        return false;
    const bool indirect = frame[kDeviceAt] == 0xFF && frame[kWordAt] == 0xFF;
    if (!indirect) {
        word = static_cast<std::uint16_t>(frame[kWordAt] | (frame[kWordAt + 1] << 8));
        return true;
    }
    if (size < static_cast<std::size_t>(kPayloadAt + 2))
        return false; // the word would come from beyond the frame
    word = static_cast<std::uint16_t>(frame[kPayloadAt] | (frame[kPayloadAt + 1] << 8));
    return true;
}

std::string Hex(const std::uint8_t* bytes, std::size_t count, const char* sep) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out += sep;
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    int high = -1;
    while (i < text.size()) {
        const char c = text[i];
        if (high < 0 && c == '0' && i + 1 < text.size() &&
            (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            i += 2;
            continue;
        }
        ++i;
        if (high < 0 && (c == ' ' || c == ':' || c == ','))
            continue;
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        if (high < 0) {
            high = d;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    return high < 0;
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
