// Texts and pictures for the Win32 backend: UTF-8 and UTF-16, line breaks for the native
// controls, the file dialog's filter string, our RGBA images as DIB pixels and icons, and a small
// PNG writer (stored deflate blocks, so no compression library is needed).
#include "platform/ui/win32/win32_backend.h"

#include <algorithm>
#include <cstdio>

namespace ui::win32 {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(0, n)), L'\0');
    if (n > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    }
    return out;
}

std::string Utf8(const wchar_t* text, int length) {
    if (!text || length <= 0) {
        return std::string();
    }
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(0, n)), '\0');
    if (n > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], n, nullptr, nullptr);
    }
    return out;
}

std::string Utf8(const std::wstring& text) {
    return Utf8(text.data(), static_cast<int>(text.size()));
}

std::wstring DisplayText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out.push_back(text[i]);
        }
    }
    return Wide(out);
}

std::wstring ConvertFilter(const std::string& filter) {
    std::wstring w = Wide(filter);
    // Only the pairs before the closing "||" count; an unterminated filter is closed here.
    const size_t end = w.find(L"||");
    if (end != std::wstring::npos) {
        w.resize(end);
    }
    for (wchar_t& c : w) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    w.push_back(L'\0');
    w.push_back(L'\0');
    return w;
}

std::vector<std::uint32_t> ComposeImage(const Image& image, int width, int height,
                                        COLORREF background) {
    const std::uint32_t bgR = GetRValue(background), bgG = GetGValue(background),
                        bgB = GetBValue(background);
    const std::uint32_t bgPixel = 0xFF000000u | (bgR << 16) | (bgG << 8) | bgB;
    std::vector<std::uint32_t> out(static_cast<size_t>(std::max(0, width)) * std::max(0, height),
                                   bgPixel);
    if (image.IsNull() || width <= 0 || height <= 0 ||
        image.pixels.size() < static_cast<size_t>(image.width) * image.height) {
        return out;
    }
    // Scaled to fit with the aspect kept, centred; each target pixel averages the source pixels
    // it covers, so a reduced image keeps its thin lines.
    int tw = width,
        th = static_cast<int>(static_cast<long long>(image.height) * width / image.width);
    if (th > height) {
        th = height;
        tw = static_cast<int>(static_cast<long long>(image.width) * height / image.height);
    }
    tw = std::max(1, tw);
    th = std::max(1, th);
    const int ox = (width - tw) / 2, oy = (height - th) / 2;
    for (int y = 0; y < th; ++y) {
        const int sy0 = y * image.height / th;
        const int sy1 = std::max(sy0 + 1, (y + 1) * image.height / th);
        for (int x = 0; x < tw; ++x) {
            const int sx0 = x * image.width / tw;
            const int sx1 = std::max(sx0 + 1, (x + 1) * image.width / tw);
            std::uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
            for (int sy = sy0; sy < sy1 && sy < image.height; ++sy) {
                for (int sx = sx0; sx < sx1 && sx < image.width; ++sx) {
                    const std::uint32_t p = image.At(sx, sy);
                    const std::uint32_t pa = p >> 24;
                    a += pa;
                    r += ((p >> 16) & 0xFF) * pa;
                    g += ((p >> 8) & 0xFF) * pa;
                    b += (p & 0xFF) * pa;
                    ++n;
                }
            }
            if (n == 0) {
                continue;
            }
            // Premultiplied sums, blended over the background.
            const std::uint64_t alpha = a / n; // 0..255
            const auto mix = [&](std::uint64_t sum, std::uint32_t bg) {
                return static_cast<std::uint32_t>((sum / n + bg * (255 - alpha)) / 255);
            };
            out[static_cast<size_t>(oy + y) * width + ox + x] =
                0xFF000000u | (mix(r, bgR) << 16) | (mix(g, bgG) << 8) | mix(b, bgB);
        }
    }
    return out;
}

HICON CreateIconFromImage(const Image& image) {
    if (image.IsNull() || image.pixels.size() < static_cast<size_t>(image.width) * image.height) {
        return nullptr;
    }
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof(h);
    h.bV5Width = image.width;
    h.bV5Height = -image.height; // top-down, like our rows
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    HDC dc = ::GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP color = ::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits,
                                       nullptr, 0);
    ::ReleaseDC(nullptr, dc);
    if (!color || !bits) {
        if (color) {
            ::DeleteObject(color);
        }
        return nullptr;
    }
    // 0xAARRGGBB in memory is the BGRA byte order of a 32-bit DIB.
    std::copy(image.pixels.begin(),
              image.pixels.begin() + static_cast<size_t>(image.width) * image.height,
              static_cast<std::uint32_t*>(bits));
    // The colour bitmap's alpha decides; an all-zero AND mask leaves it alone.
    HBITMAP mask = ::CreateBitmap(image.width, image.height, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(color);
    ::DeleteObject(mask);
    return icon;
}

// --- PNG ----------------------------------------------------------------------------------------

namespace {

std::uint32_t Crc32(const unsigned char* data, size_t n, std::uint32_t crc = 0) {
    struct Table {
        std::uint32_t v[256];
        Table() {
            for (std::uint32_t i = 0; i < 256; ++i) {
                std::uint32_t c = i;
                for (int k = 0; k < 8; ++k) {
                    c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                }
                v[i] = c;
            }
        }
    };
    static const Table table; // built once, thread-safe
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc = table.v[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBE32(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void Chunk(std::vector<unsigned char>& out, const char* type,
           const std::vector<unsigned char>& data) {
    PutBE32(out, static_cast<std::uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(out.data() + start, out.size() - start));
}

} // namespace

bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& argb) {
    if (width <= 0 || height <= 0 || argb.size() < static_cast<size_t>(width) * height) {
        return false;
    }
    // Scanlines: filter type 0, then RGBA.
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 4 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = argb[static_cast<size_t>(y) * width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
            raw.push_back(static_cast<unsigned char>(p >> 24));
        }
    }
    // zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the data.
    std::vector<unsigned char> z{0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos),
                 raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    std::uint32_t s1 = 1, s2 = 0;
    for (unsigned char c : raw) {
        s1 = (s1 + c) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    PutBE32(z, (s2 << 16) | s1);

    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> ihdr;
    PutBE32(ihdr, static_cast<std::uint32_t>(width));
    PutBE32(ihdr, static_cast<std::uint32_t>(height));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, deflate, no filter, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});

    FILE* f = _wfopen(Wide(path).c_str(), L"wb");
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace ui::win32
