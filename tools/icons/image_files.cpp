// PNG (zlib stream of deflate blocks with the fixed Huffman code and a greedy LZ77 match over a
// 32 KiB window: icons are mostly flat colour and compress well with that) and ICO writing.
#include "tools/icons/image_files.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace icons {

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32BE(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Put16LE(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32LE(Bytes& out, std::uint32_t v) {
    Put16LE(out, v & 0xFFFF);
    Put16LE(out, v >> 16);
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

// Bits go out least significant first; Huffman codes are defined most significant bit first.
class BitWriter {
public:
    explicit BitWriter(Bytes& out) : m_out(out) {}
    void Bits(std::uint32_t value, int count) {
        m_acc |= value << m_count;
        m_count += count;
        while (m_count >= 8) {
            m_out.push_back(static_cast<std::uint8_t>(m_acc));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    void Code(std::uint32_t code, int length) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < length; ++i)
            reversed |= ((code >> i) & 1u) << (length - 1 - i);
        Bits(reversed, length);
    }
    void Flush() {
        if (m_count > 0)
            m_out.push_back(static_cast<std::uint8_t>(m_acc));
        m_acc = 0;
        m_count = 0;
    }

private:
    Bytes& m_out;
    std::uint32_t m_acc = 0;
    int m_count = 0;
};

// The fixed literal/length code of deflate.
void Symbol(BitWriter& w, int symbol) {
    if (symbol < 144)
        w.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.Code(symbol - 256, 7);
    else
        w.Code(0xC0 + symbol - 280, 8);
}

constexpr int kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistanceBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                 33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                  6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& w, int length, int distance) {
    int l = 28;
    while (kLengthBase[l] > length)
        --l;
    Symbol(w, 257 + l);
    w.Bits(static_cast<std::uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance)
        --d;
    w.Code(static_cast<std::uint32_t>(d), 5);
    w.Bits(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
}

// A zlib stream: one final deflate block with the fixed code.
Bytes Compress(const Bytes& data) {
    constexpr int kWindow = 32768, kMaxChain = 64, kMinMatch = 3, kMaxMatch = 258;
    constexpr int kHashSize = 1 << 15;
    Bytes out = {0x78, 0x01};
    BitWriter w(out);
    w.Bits(1, 1); // final block
    w.Bits(1, 2); // fixed Huffman code
    std::vector<int> head(kHashSize, -1), prev(data.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & (kHashSize - 1);
    };
    auto insert = [&](std::size_t i) {
        if (i + 2 < data.size()) {
            const int h = hash(i);
            prev[i] = head[h];
            head[h] = static_cast<int>(i);
        }
    };
    std::size_t i = 0;
    while (i < data.size()) {
        int bestLength = 0, bestDistance = 0;
        if (i + 2 < data.size()) {
            int candidate = head[hash(i)];
            for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
                const int distance = static_cast<int>(i) - candidate;
                if (distance > kWindow)
                    break;
                int length = 0;
                while (length < kMaxMatch && i + length < data.size() &&
                       data[candidate + length] == data[i + length])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = distance;
                }
                candidate = prev[candidate];
            }
        }
        if (bestLength >= kMinMatch) {
            Match(w, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k)
                insert(i + k);
            i += bestLength;
        } else {
            Symbol(w, data[i]);
            insert(i);
            ++i;
        }
    }
    Symbol(w, 256); // end of block
    w.Flush();
    Put32BE(out, Adler32(data));
    return out;
}

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Each row with the filter that leaves the smallest sum of residuals, the usual heuristic.
Bytes FilteredRows(const ui::Image& image) {
    const std::size_t stride = static_cast<std::size_t>(image.width) * 4;
    Bytes raw(stride * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y);
            std::uint8_t* q = &raw[y * stride + x * 4];
            q[0] = static_cast<std::uint8_t>(p >> 16);
            q[1] = static_cast<std::uint8_t>(p >> 8);
            q[2] = static_cast<std::uint8_t>(p);
            q[3] = static_cast<std::uint8_t>(p >> 24);
        }
    Bytes out;
    Bytes best, row(stride);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* cur = &raw[y * stride];
        const std::uint8_t* up = y > 0 ? &raw[(y - 1) * stride] : nullptr;
        long bestSum = -1;
        int bestType = 0;
        for (int type = 0; type < 5; ++type) {
            long sum = 0;
            for (std::size_t i = 0; i < stride; ++i) {
                const int a = i >= 4 ? cur[i - 4] : 0;
                const int b = up ? up[i] : 0;
                const int c = up && i >= 4 ? up[i - 4] : 0;
                const int predictor = type == 0   ? 0
                                      : type == 1 ? a
                                      : type == 2 ? b
                                      : type == 3 ? (a + b) / 2
                                                  : Paeth(a, b, c);
                row[i] = static_cast<std::uint8_t>(cur[i] - predictor);
                sum += row[i] < 128 ? row[i] : 256 - row[i];
            }
            if (bestSum < 0 || sum < bestSum) {
                bestSum = sum;
                bestType = type;
                best = row;
            }
        }
        out.push_back(static_cast<std::uint8_t>(bestType));
        out.insert(out.end(), best.begin(), best.end());
    }
    return out;
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put32BE(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32BE(png, Crc32(&png[start], png.size() - start));
}

// A 32-bit bitmap as an icon stores it: the header with twice the height (image and mask),
// rows bottom-up in BGRA, then the 1-bit mask, set where the image is transparent.
Bytes IconBitmap(const ui::Image& image) {
    Bytes out;
    const int w = image.width, h = image.height;
    const std::size_t maskStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    Put32LE(out, 40);
    Put32LE(out, static_cast<std::uint32_t>(w));
    Put32LE(out, static_cast<std::uint32_t>(h * 2));
    Put16LE(out, 1);  // planes
    Put16LE(out, 32); // bits per pixel
    Put32LE(out, 0);  // no compression
    Put32LE(out, static_cast<std::uint32_t>(w * h * 4 + maskStride * h));
    for (int k = 0; k < 4; ++k)
        Put32LE(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x)
            Put32LE(out, image.At(x, y));
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if ((image.At(x, y) >> 24) == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

Bytes EncodePng(const ui::Image& image) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32BE(header, static_cast<std::uint32_t>(image.width));
    Put32BE(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, filters, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", Compress(FilteredRows(image)));
    Chunk(png, "IEND", {});
    return png;
}

Bytes EncodeIco(const std::vector<ui::Image>& images) {
    std::vector<Bytes> data;
    for (const ui::Image& image : images)
        data.push_back(image.width >= 256 ? EncodePng(image) : IconBitmap(image));
    Bytes out;
    Put16LE(out, 0);
    Put16LE(out, 1); // icon
    Put16LE(out, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
        out.push_back(static_cast<std::uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
        out.push_back(0); // no palette
        out.push_back(0);
        Put16LE(out, 1);  // planes
        Put16LE(out, 32); // bits per pixel
        Put32LE(out, static_cast<std::uint32_t>(data[i].size()));
        Put32LE(out, static_cast<std::uint32_t>(offset));
        offset += data[i].size();
    }
    for (const Bytes& d : data)
        out.insert(out.end(), d.begin(), d.end());
    return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace icons
