// The pattern thumbnails: each is a small picture of what the generator puts on the screen,
// computed per pixel from a function of the position (0..1 across and down) and supersampled so
// that fine lines and circles stay legible at 45 x 31 pixels.
#include "res/art_patterns.h"

#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kRed{1, 0, 0};
constexpr Rgb kGreen{0, 1, 0};
constexpr Rgb kBlue{0, 0, 1};
constexpr Rgb kYellow{1, 1, 0};
constexpr Rgb kCyan{0, 1, 1};
constexpr Rgb kMagenta{1, 0, 1};

Rgb Gray(double v) {
    return {v, v, v};
}
Rgb Scale(Rgb c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}

// A picture as a function of the position; w and h give the aspect (pixels) for round shapes.
struct Canvas {
    double w, h;
    // Distance in units of the picture height, so circles stay round.
    double Dist(double u, double v, double cu, double cv) const {
        const double dx = (u - cu) * w / h;
        const double dy = v - cv;
        return std::sqrt(dx * dx + dy * dy);
    }
    // True within a line of about one pixel around position p (0..1) along an axis of n pixels.
    static bool Near(double p, double at, double n, double widthPx = 1.0) {
        return std::fabs(p - at) * n < widthPx * 0.5;
    }
};

using Shader = std::function<Rgb(const Canvas&, double, double)>;

Rgb Bars(const Rgb* colours, int n, double u) {
    return colours[std::min(n - 1, static_cast<int>(u * n))];
}

const Rgb kFullBars[] = {kWhite, kYellow, kCyan, kGreen, kMagenta, kRed, kBlue, kBlack};

Shader Solid(Rgb c) {
    return [c](const Canvas&, double, double) { return c; };
}

Shader ColorBars(double level) {
    return [level](const Canvas&, double u, double) { return Scale(Bars(kFullBars, 8, u), level); };
}

Shader GraySteps(int steps) {
    return [steps](const Canvas&, double u, double) {
        const int k = std::min(steps - 1, static_cast<int>(u * steps));
        return Gray(static_cast<double>(k) / (steps - 1));
    };
}

// A cross-hatch grid with a centre cross, white lines on the background colour.
Shader CrossHatch(Rgb background, Rgb lines) {
    return [=](const Canvas& c, double u, double v) {
        const double cols = 8, rows = 6;
        const double fu = u * cols - std::floor(u * cols + 0.5);
        const double fv = v * rows - std::floor(v * rows + 0.5);
        if (std::fabs(fu) * c.w / cols < 0.5 || std::fabs(fv) * c.h / rows < 0.5)
            return lines;
        if (Canvas::Near(u, 0.5, c.w, 2) || Canvas::Near(v, 0.5, c.h, 2))
            return lines;
        return background;
    };
}

Shader MovingLine(bool horizontal) {
    return [horizontal](const Canvas& c, double u, double v) {
        const double p = horizontal ? v : u;
        const double n = horizontal ? c.h : c.w;
        if (Canvas::Near(p, 0.55, n, 1.5))
            return kWhite;
        // A fading trail behind the line shows the direction of travel.
        const double behind = 0.55 - p;
        if (behind > 0 && behind < 0.3)
            return Gray(0.35 * (1.0 - behind / 0.3));
        return kBlack;
    };
}

Shader MovingRamp(Rgb colour) {
    return [colour](const Canvas& c, double u, double v) {
        // Arrow in the lower band: the ramp travels to the right.
        if (v > 0.78) {
            const double y = (v - 0.89) * c.h;
            const double x = (u - 0.5) * c.w;
            if ((std::fabs(y) < 1.0 && x > -10 && x < 6) ||
                (x >= 2 && x < 9 && std::fabs(y) < 9 - x))
                return kWhite;
            return kBlack;
        }
        return Scale(colour, u);
    };
}

Rgb Multiburst(const Canvas& c, double u, double v) {
    if (v < 0.15 || v > 0.85)
        return Gray(0.5);
    const int groups = 6;
    const int g = std::min(groups - 1, static_cast<int>(u * groups));
    const double local = u * groups - g;
    if (local < 0.1 || local > 0.9)
        return Gray(0.5);
    const double cycles = 1.0 + g * 0.8; // per group, rising frequency
    const double px = local * c.w / groups;
    return Gray(0.5 + 0.5 * std::sin(px * cycles * 0.9));
}

Rgb AvSync(const Canvas& c, double u, double v) {
    // A white flash square in the middle and a time line whose marker passes the centre.
    if (std::fabs(u - 0.5) * c.w < 7 && std::fabs(v - 0.42) * c.h < 7)
        return kWhite;
    if (v > 0.8 && v < 0.9) {
        if (Canvas::Near(u, 0.5, c.w, 2))
            return kRed;
        return Gray(0.45);
    }
    return kBlack;
}

Rgb BorderLines(const Canvas& c, double u, double v) {
    const double x = u * c.w, y = v * c.h;
    const double dx = std::min(x, c.w - x), dy = std::min(y, c.h - y);
    if (dx < 1 || dy < 1)
        return kWhite;
    if ((std::fabs(dx - 4) < 0.5 && dy >= 4) || (std::fabs(dy - 4) < 0.5 && dx >= 4))
        return kRed;
    return kBlack;
}

Rgb EdgeAspect(const Canvas& c, double u, double v) {
    const double x = u * c.w, y = v * c.h;
    if (x < 1 || y < 1 || x > c.w - 1 || y > c.h - 1)
        return kWhite;
    // Diagonals corner to corner, and a circle that is only round at the right aspect.
    if (std::fabs(u - v) * c.h < 0.6 || std::fabs(u + v - 1.0) * c.h < 0.6)
        return Gray(0.7);
    if (std::fabs(c.Dist(u, v, 0.5, 0.5) - 0.38) * c.h < 0.6)
        return kWhite;
    return Gray(0.2);
}

Rgb TargetCircle(const Canvas& c, double u, double v) {
    const double d = c.Dist(u, v, 0.5, 0.5) * c.h;
    if (Canvas::Near(u, 0.5, c.w) || Canvas::Near(v, 0.5, c.h))
        return Gray(0.8);
    for (double r : {4.0, 8.5, 13.0})
        if (std::fabs(d - r) < 0.6)
            return kWhite;
    return kBlack;
}

Rgb MovingCircle(const Canvas& c, double u, double v) {
    const double d = c.Dist(u, v, 0.62, 0.5) * c.h;
    if (d < 7.5)
        return kWhite;
    // Fainter ghosts to the left: the circle is moving right.
    for (int k = 1; k <= 2; ++k) {
        const double dk = c.Dist(u, v, 0.62 - 0.16 * k, 0.5) * c.h;
        if (std::fabs(dk - 7.5) < 0.6)
            return Gray(0.6 - 0.2 * k);
    }
    return kBlack;
}

Rgb Squares3d(const Canvas& c, double u, double v) {
    // Two views of the same squares, offset as for the left and right eye.
    auto inSquare = [&](double ou) {
        const double x = (u - ou) * c.w, y = v * c.h;
        return (std::fabs(x - 15) < 7 && std::fabs(y - 11) < 7) ||
               (std::fabs(x - 31) < 5 && std::fabs(y - 20) < 5);
    };
    const bool left = inSquare(-0.03), right = inSquare(0.03);
    if (left && right)
        return kWhite;
    if (left)
        return kRed;
    if (right)
        return kCyan;
    return Gray(0.15);
}

Rgb Gradient(const Canvas&, double u, double v) {
    // Hue across, fading to white at the top and black at the bottom.
    const double h = u * 6.0;
    const double f = h - std::floor(h);
    Rgb hue;
    switch (static_cast<int>(h) % 6) {
    case 0:
        hue = {1, f, 0};
        break;
    case 1:
        hue = {1 - f, 1, 0};
        break;
    case 2:
        hue = {0, 1, f};
        break;
    case 3:
        hue = {0, 1 - f, 1};
        break;
    case 4:
        hue = {f, 0, 1};
        break;
    default:
        hue = {1, 0, 1 - f};
        break;
    }
    if (v < 0.5) {
        const double t = v * 2;
        return {1 + (hue.r - 1) * t, 1 + (hue.g - 1) * t, 1 + (hue.b - 1) * t};
    }
    return Scale(hue, 2.0 - v * 2.0);
}

Rgb Smpte(const Canvas&, double u, double v) {
    static const Rgb top[] = {kWhite, kYellow, kCyan, kGreen, kMagenta, kRed, kBlue};
    static const Rgb mid[] = {kBlue, kBlack, kMagenta, kBlack, kCyan, kBlack, kWhite};
    if (v < 0.66)
        return Scale(Bars(top, 7, u), 0.75);
    if (v < 0.75)
        return Scale(Bars(mid, 7, u), 0.75);
    // -I, white, +Q, black, then the three near-black steps.
    if (u < 0.18)
        return {0.0, 0.13, 0.3};
    if (u < 0.36)
        return kWhite;
    if (u < 0.54)
        return {0.2, 0.0, 0.42};
    if (u < 0.72)
        return kBlack;
    if (u < 0.78)
        return Gray(0.0);
    if (u < 0.84)
        return Gray(0.04);
    if (u < 0.9)
        return Gray(0.08);
    return kBlack;
}

Rgb Pluge(const Canvas&, double u, double v) {
    // Below-black, black and above-black bars, with a white and a gray patch for reference.
    if (v > 0.15 && v < 0.85) {
        if (u > 0.18 && u < 0.28)
            return Gray(0.0);
        if (u > 0.34 && u < 0.44)
            return Gray(0.1);
        if (u > 0.72 && u < 0.86)
            return v < 0.5 ? kWhite : Gray(0.5);
    }
    return Gray(0.05);
}

// A test card of our own: a gray field with a ring of rays, a circle and a crosshair.
Rgb TestCardRays(const Canvas& c, double u, double v) {
    const double d = c.Dist(u, v, 0.5, 0.5) * c.h;
    const double a = std::atan2((v - 0.5) * c.h, (u - 0.5) * c.w);
    if (std::fabs(d - 13.5) < 0.7)
        return kWhite;
    if (d < 13) {
        if (d < 3.5)
            return kWhite;
        const int sector = static_cast<int>(std::floor((a + kPi) / (kPi / 8)));
        return sector % 2 ? Gray(0.15) : Gray(0.85);
    }
    const double x = u * c.w, y = v * c.h;
    if (std::fmod(x, 6.0) < 0.8 || std::fmod(y, 6.0) < 0.8)
        return Gray(0.75);
    return Gray(0.45);
}

// A second test card: grid background, a central circle with a band of colour bars and a band of
// gray steps.
Rgb TestCardBands(const Canvas& c, double u, double v) {
    const double x = u * c.w, y = v * c.h;
    const double d = c.Dist(u, v, 0.5, 0.5) * c.h;
    if (d < 13.5) {
        if (std::fabs(d - 13) < 0.6)
            return kWhite;
        if (v < 0.36)
            return Scale(Bars(kFullBars, 8, u), 0.8);
        if (v < 0.64)
            return Gray(std::floor(u * 6) / 5.0);
        return v < 0.75 ? kBlack : kWhite;
    }
    if (std::fmod(x, 5.0) < 0.8 || std::fmod(y, 5.0) < 0.8)
        return kWhite;
    return Gray(0.3);
}

Rgb PathologicalField(const Canvas&, double, double v) {
    // The two halves of the SDI check field: equaliser (purple) above, PLL (gray) below.
    return v < 0.5 ? Rgb{0.4, 0.2, 0.55} : Gray(0.5);
}

Shader ShaderFor(int id) {
    switch (id) {
    case IDB_P_COLORBAR_100:
        return ColorBars(1.0);
    case IDB_P_COLORBAR_75:
        return ColorBars(0.75);
    case IDB_P_GRAY_8:
        return GraySteps(8);
    case IDB_P_GRAY_16:
        return GraySteps(16);
    case IDB_P_RED:
        return Solid(kRed);
    case IDB_P_GREEN:
        return Solid(kGreen);
    case IDB_P_BLUE:
        return Solid(kBlue);
    case IDB_P_YELLOW:
        return Solid(kYellow);
    case IDB_P_CYAN:
        return Solid(kCyan);
    case IDB_P_MAGENTA:
        return Solid(kMagenta);
    case IDB_P_WHITE:
        return Solid(kWhite);
    case IDB_P_BLACK:
        return Solid(kBlack);
    case IDB_P_RGB_RAMP:
        return [](const Canvas&, double u, double v) {
            return Scale(v < 1.0 / 3 ? kRed : v < 2.0 / 3 ? kGreen : kBlue, u);
        };
    case IDB_P_CROSS_BLACK:
        return CrossHatch(kBlack, kWhite);
    case IDB_P_CROSS_RED:
        return CrossHatch(kBlack, kRed);
    case IDB_P_CROSS_GREEN:
        return CrossHatch(kBlack, kGreen);
    case IDB_P_CROSS_BLUE:
        return CrossHatch(kBlack, Rgb{0.2, 0.4, 1});
    case IDB_P_WHITE_DOTS:
        return [](const Canvas& c, double u, double v) {
            const double x = std::fmod(u * c.w, 5.0), y = std::fmod(v * c.h, 5.0);
            return (x > 2 && x < 3.2 && y > 2 && y < 3.2) ? kWhite : kBlack;
        };
    case IDB_P_ALTERNATE_WB:
        return [](const Canvas& c, double, double v) {
            return static_cast<int>(v * c.h) % 2 ? kBlack : kWhite;
        };
    case IDB_P_MOVING_LINE_H:
        return MovingLine(true);
    case IDB_P_MOVING_LINE_V:
        return MovingLine(false);
    case IDB_P_MULTIBURST:
        return Multiburst;
    case IDB_P_VER_SPLIT:
        return [](const Canvas&, double u, double) { return u < 0.5 ? kWhite : kBlack; };
    case IDB_P_HOR_SPLIT:
        return [](const Canvas&, double, double v) { return v < 0.5 ? kWhite : kBlack; };
    case IDB_P_MOVING_RED_RAMP:
        return MovingRamp(kRed);
    case IDB_P_MOVING_GREEN_RAMP:
        return MovingRamp(kGreen);
    case IDB_P_MOVING_BLUE_RAMP:
        return MovingRamp(kBlue);
    case IDB_P_AV_SYNC:
        return AvSync;
    case IDB_P_BORDER_LINES:
        return BorderLines;
    case IDB_P_EDGE_ASPECT:
        return EdgeAspect;
    case IDB_P_TARGET_CIRCLE:
        return TargetCircle;
    case IDB_P_MOVING_CIRCLE:
        return MovingCircle;
    case IDB_P_SQUARES_3D:
        return Squares3d;
    case IDB_P_GRADIENT:
        return Gradient;
    case IDB_P_SMPTE:
        return Smpte;
    case IDB_P_PLUGE:
        return Pluge;
    case IDB_P_TEST_CARD_1:
        return TestCardRays;
    case IDB_P_TEST_CARD_2:
        return TestCardBands;
    case IDB_P_PATHOLOGICAL:
        return PathologicalField;
    default:
        return nullptr;
    }
}

std::uint32_t Pack(Rgb c) {
    auto ch = [](double v) {
        return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5);
    };
    return 0xFF000000u | (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
}

} // namespace

ui::Image LoadPatternThumbnail(int id, int width, int height) {
    const Shader shader = ShaderFor(id);
    if (!shader)
        return ui::Image();
    const int w = width > 0 ? width : 45;
    const int h = height > 0 ? height : 31;
    // The shapes are laid out for a thumbnail of about 45 x 31 pixels.
    const Canvas canvas{45.0 * w / h * 31.0 / 45.0, 31.0};
    ui::Image img(id, w, h);
    constexpr int kSub = 3;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double u = (x + (sx + 0.5) / kSub) / w;
                    const double v = (y + (sy + 0.5) / kSub) / h;
                    const Rgb c = shader(canvas, u, v);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            img.At(x, y) = Pack(Scale(sum, 1.0 / (kSub * kSub)));
        }
    }
    return img;
}
