// The timing illustrations of the Timing Details page: one line (pixels, horizontal) or one field
// (lines, vertical) drawn as a time bar of active video, front porch (sync offset), sync pulse and
// back porch, with the sync signal under it and dimension arrows naming the page's terms. Text uses
// a small built-in 5 x 7 pixel font, scaled with the image.
#include "res/art_timing.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kInk = 0xFF202020u;
constexpr std::uint32_t kActive = 0xFF9CC7EBu;
constexpr std::uint32_t kPorch = 0xFFDADADAu;
constexpr std::uint32_t kSync = 0xFFF0A050u;
constexpr std::uint32_t kSignal = 0xFF1F5FA8u;

struct Glyph {
    char c;
    const char* rows[7];
};

const Glyph kFont[] = {
    {'A', {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'B', {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
    {'C', {"01110", "10001", "10000", "10000", "10000", "10001", "01110"}},
    {'D', {"11110", "10001", "10001", "10001", "10001", "10001", "11110"}},
    {'E', {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
    {'F', {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
    {'H', {"10001", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'I', {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'K', {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
    {'L', {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
    {'N', {"10001", "11001", "10101", "10011", "10001", "10001", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'P', {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'V', {"10001", "10001", "10001", "10001", "10001", "01010", "00100"}},
    {'W', {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
    {'X', {"10001", "10001", "01010", "00100", "01010", "10001", "10001"}},
    {'Y', {"10001", "10001", "01010", "00100", "00100", "00100", "00100"}},
    {'(', {"00010", "00100", "01000", "01000", "01000", "00100", "00010"}},
    {')', {"01000", "00100", "00010", "00010", "00010", "00100", "01000"}},
    {'+', {"00000", "00100", "00100", "11111", "00100", "00100", "00000"}},
    {'=', {"00000", "00000", "11111", "00000", "11111", "00000", "00000"}},
};

class Canvas {
public:
    Canvas(int id, int w, int h) : img(id, w, h, kWhite) {}

    void Rect(int x0, int y0, int x1, int y1, std::uint32_t c) {
        for (int y = std::max(0, y0); y < std::min(img.height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(img.width, x1); ++x)
                img.At(x, y) = c;
    }
    void HLine(int x0, int x1, int y, int t, std::uint32_t c) { Rect(x0, y, x1 + 1, y + t, c); }
    void VLine(int x, int y0, int y1, int t, std::uint32_t c) { Rect(x, y0, x + t, y1 + 1, c); }

    static int TextWidth(const std::string& s, int scale) {
        return s.empty() ? 0 : static_cast<int>(s.size()) * 6 * scale - scale;
    }
    void Text(int x, int y, const std::string& s, int scale, std::uint32_t c) {
        for (char ch : s) {
            for (const Glyph& g : kFont) {
                if (g.c != ch)
                    continue;
                for (int r = 0; r < 7; ++r)
                    for (int k = 0; k < 5; ++k)
                        if (g.rows[r][k] == '1')
                            Rect(x + k * scale, y + r * scale, x + (k + 1) * scale,
                                 y + (r + 1) * scale, c);
            }
            x += 6 * scale;
        }
    }
    // A dimension line from x0 to x1 with end ticks and arrow heads pointing outwards.
    void Dimension(int x0, int x1, int y, int scale) {
        const int t = std::max(1, scale / 2 + (scale > 2 ? 1 : 0));
        HLine(x0, x1, y, t, kInk);
        VLine(x0, y - 3 * scale, y + 3 * scale, t, kInk);
        VLine(x1 - t + 1, y - 3 * scale, y + 3 * scale, t, kInk);
        for (int i = 0; i <= 2 * scale; ++i) {
            const int half = i / 2;
            VLine(x0 + t + i, y - half, y + half + t - 1, 1, kInk);
            VLine(x1 - t - i, y - half, y + half + t - 1, 1, kInk);
        }
    }
    // A label centred on x, kept inside the image.
    void Label(int cx, int y, const std::string& s, int scale) {
        const int w = TextWidth(s, scale);
        const int x = std::clamp(cx - w / 2, 2, std::max(2, img.width - w - 2));
        Text(x, y, s, scale, kInk);
    }

    ui::Image img;
};

ui::Image Draw(int id, int w, int h, bool horizontal) {
    Canvas c(id, w, h);
    const int scale = std::max(1, std::min(h / 60, w / 200));
    const int lineH = 7 * scale;
    const std::string p = horizontal ? "H" : "V";

    // Positions of the four parts along the time axis.
    const int left = 6 * scale;
    const int right = w - 6 * scale;
    const int span = right - left;
    const int xFront = left + span * 50 / 100;
    const int xSync = left + span * 63 / 100;
    const int xBack = left + span * 76 / 100;

    // The rows take 52 scaled pixels; what is left is shared out between them.
    const int gap = std::max(2, (h - 52 * scale) / 9);
    int y = gap;

    // The time bar.
    const int barH = lineH + 4 * scale;
    c.Rect(left, y, xFront, y + barH, kActive);
    c.Rect(xFront, y, xSync, y + barH, kPorch);
    c.Rect(xSync, y, xBack, y + barH, kSync);
    c.Rect(xBack, y, right, y + barH, kPorch);
    for (int x : {left, xFront, xSync, xBack, right})
        c.VLine(x, y, y + barH, 1, kInk);
    c.HLine(left, right, y, 1, kInk);
    c.HLine(left, right, y + barH, 1, kInk);
    c.Label((left + xFront) / 2, y + (barH - lineH) / 2,
            horizontal ? "ACTIVE PIXELS" : "ACTIVE LINES", scale);
    c.Label((xSync + xBack) / 2, y + (barH - lineH) / 2, "SYNC", scale);
    y += barH + gap;

    // The sync signal: high, low for the sync width.
    const int hi = y + scale;
    const int lo = y + 5 * scale;
    const int t = std::max(1, scale);
    c.HLine(left, xSync, hi, t, kSignal);
    c.VLine(xSync, hi, lo, t, kSignal);
    c.HLine(xSync, xBack, lo, t, kSignal);
    c.VLine(xBack, hi, lo, t, kSignal);
    c.HLine(xBack, right, hi, t, kSignal);
    y = lo + t + gap * 2;

    // Dimensions: active and blank, then sync offset and width, then the total. Labels sit
    // under their arrows, or beside them where the part is too short for its name.
    const int below = 4 * scale;
    int line = y + 3 * scale;
    c.Dimension(left, xFront, line, scale);
    c.Dimension(xFront, right, line, scale);
    c.Label((left + xFront) / 2, line + below, p + " ACTIVE", scale);
    c.Label((xFront + right) / 2, line + below, p + " BLANK", scale);
    y = line + below + lineH + 2 * gap;

    line = y + lineH / 2;
    c.Dimension(xFront, xSync, line, scale);
    c.Dimension(xSync, xBack, line, scale);
    const std::string offset = p + "S OFFSET (FRONT PORCH)";
    c.Text(xFront - 4 * scale - Canvas::TextWidth(offset, scale), y, offset, scale, kInk);
    c.Text(xBack + 4 * scale, y, p + "S WIDTH", scale, kInk);
    y += lineH + 2 * gap;

    line = y + 3 * scale;
    c.Dimension(left, right, line, scale);
    c.Label((left + right) / 2, line + below, p + " TOTAL = " + p + " ACTIVE + " + p + " BLANK",
            scale);
    return c.img;
}

} // namespace

ui::Image LoadTimingArt(int id, int width, int height) {
    if (width <= 0 || height <= 0)
        return ui::Image();
    switch (id) {
    case IDB_TIMING_HORIZONTAL:
        return Draw(id, width, height, true);
    case IDB_TIMING_VERTICAL:
        return Draw(id, width, height, false);
    default:
        return ui::Image();
    }
}
