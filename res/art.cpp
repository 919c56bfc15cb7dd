// The console's icons, drawn in code: a lit or unlit indicator lamp for the port and output
// selectors, signal lamps, and the application's monitor-with-colour-bars icon. Drawing with
// coverage-based anti-aliasing keeps them legible from 16 to 64 pixels.
#include "res/art.h"
#include "res/resource.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

struct Rgb {
    double r, g, b;
};

std::uint32_t Pack(Rgb c, double a) {
    auto ch = [](double v) {
        return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5);
    };
    return (ch(a) << 24) | (ch(c.r) << 16) | (ch(c.g) << 8) | ch(c.b);
}

Rgb Unpack(std::uint32_t p, double& a) {
    a = ((p >> 24) & 0xFF) / 255.0;
    return {((p >> 16) & 0xFF) / 255.0, ((p >> 8) & 0xFF) / 255.0, (p & 0xFF) / 255.0};
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Source-over blending of a colour with the given coverage.
void Blend(ui::Image& img, int x, int y, Rgb c, double alpha) {
    if (x < 0 || y < 0 || x >= img.width || y >= img.height || alpha <= 0.0)
        return;
    double da = 0;
    Rgb d = Unpack(img.At(x, y), da);
    const double oa = alpha + da * (1.0 - alpha);
    if (oa <= 0.0)
        return;
    Rgb o{(c.r * alpha + d.r * da * (1.0 - alpha)) / oa,
          (c.g * alpha + d.g * da * (1.0 - alpha)) / oa,
          (c.b * alpha + d.b * da * (1.0 - alpha)) / oa};
    img.At(x, y) = Pack(o, oa);
}

constexpr double kPi = 3.14159265358979323846;
constexpr int kSamples = 4; // 4 x 4 supersampling per pixel

// Fills the pixels covered by a shape given as an inside test in icon units (0..1 square), the
// colour chosen per sample point so gradients stay smooth.
template <class Inside, class Shade> void Fill(ui::Image& img, Inside inside, Shade shade) {
    const double s = img.width;
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            int hits = 0;
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double u = (x + (sx + 0.5) / kSamples) / s;
                    const double v = (y + (sy + 0.5) / kSamples) / s;
                    if (inside(u, v)) {
                        const Rgb c = shade(u, v);
                        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                        ++hits;
                    }
                }
            }
            if (hits > 0)
                Blend(img, x, y, {sum.r / hits, sum.g / hits, sum.b / hits},
                      static_cast<double>(hits) / (kSamples * kSamples));
        }
    }
}

auto Circle(double cx, double cy, double r) {
    return [=](double u, double v) { return (u - cx) * (u - cx) + (v - cy) * (v - cy) <= r * r; };
}

auto Box(double x0, double y0, double x1, double y1) {
    return [=](double u, double v) { return u >= x0 && u < x1 && v >= y0 && v < y1; };
}

auto RoundBox(double x0, double y0, double x1, double y1, double r) {
    return [=](double u, double v) {
        if (u < x0 || u >= x1 || v < y0 || v >= y1)
            return false;
        const double cx = std::clamp(u, x0 + r, x1 - r);
        const double cy = std::clamp(v, y0 + r, y1 - r);
        return (u - cx) * (u - cx) + (v - cy) * (v - cy) <= r * r;
    };
}

auto Solid(Rgb c) {
    return [=](double, double) { return c; };
}

// An indicator lamp: dark bezel, a lens lit from the upper left, and a glint.
void Lamp(ui::Image& img, Rgb lit, Rgb dark) {
    Fill(img, Circle(0.5, 0.5, 0.47), Solid({0.22, 0.24, 0.27}));
    Fill(img, Circle(0.5, 0.5, 0.41), Solid({0.55, 0.58, 0.62}));
    Fill(img, Circle(0.5, 0.5, 0.36), [=](double u, double v) {
        const double d = std::hypot(u - 0.42, v - 0.40) / 0.5;
        return Mix(lit, dark, std::clamp(d, 0.0, 1.0));
    });
    Fill(img, Circle(0.40, 0.36, 0.10), [](double u, double v) {
        const double d = std::hypot(u - 0.40, v - 0.36) / 0.10;
        return Mix({1, 1, 1}, {0.9, 0.9, 0.9}, d);
    });
}

ui::Image PortIdle(int n) {
    ui::Image img(IDI_PORT_IDLE, n, n);
    Lamp(img, {0.80, 0.82, 0.84}, {0.35, 0.37, 0.40});
    return img;
}

ui::Image PortActive(int n) {
    ui::Image img(IDI_PORT_ACTIVE, n, n);
    Fill(img, Circle(0.5, 0.5, 0.5), Solid({0.45, 0.95, 0.45})); // halo
    for (auto& p : img.pixels)
        p = (p & 0x00FFFFFF) | (((p >> 24) * 70 / 255) << 24);
    Lamp(img, {0.55, 1.0, 0.45}, {0.05, 0.50, 0.10});
    return img;
}

ui::Image Selected(int n) {
    ui::Image img(IDI_SELECTED, n, n);
    Lamp(img, {0.55, 0.80, 1.0}, {0.05, 0.30, 0.75});
    // A check mark across the lens says "this output is in use".
    auto check = [](double u, double v) {
        auto seg = [&](double x0, double y0, double x1, double y1, double w) {
            const double dx = x1 - x0, dy = y1 - y0;
            double t = ((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy);
            t = std::clamp(t, 0.0, 1.0);
            return std::hypot(u - (x0 + t * dx), v - (y0 + t * dy)) <= w;
        };
        return seg(0.33, 0.52, 0.46, 0.65, 0.05) || seg(0.46, 0.65, 0.69, 0.36, 0.05);
    };
    Fill(img, check, Solid({1, 1, 1}));
    return img;
}

ui::Image SignalLamp(int id, int n, bool on) {
    ui::Image img(id, n, n);
    if (on)
        Lamp(img, {0.60, 1.0, 0.50}, {0.05, 0.55, 0.10});
    else
        Lamp(img, {1.0, 0.55, 0.50}, {0.65, 0.05, 0.05});
    // A sine wave for "signal on", a flat line for "off".
    auto wave = [on](double u, double v) {
        if (u < 0.27 || u > 0.73)
            return false;
        const double y = on ? 0.5 - 0.12 * std::sin((u - 0.27) / 0.46 * 2 * kPi) : 0.5;
        return std::fabs(v - y) <= 0.035;
    };
    Fill(img, wave, Solid({1, 1, 1}));
    return img;
}

ui::Image AppIcon(int n) {
    ui::Image img(IDR_MAINFRAME, n, n);
    // Monitor housing with a stand, colour bars on the screen.
    Fill(img, Box(0.42, 0.78, 0.58, 0.88), Solid({0.30, 0.32, 0.36}));
    Fill(img, RoundBox(0.26, 0.86, 0.74, 0.94, 0.03), Solid({0.30, 0.32, 0.36}));
    Fill(img, RoundBox(0.04, 0.10, 0.96, 0.80, 0.07), Solid({0.16, 0.18, 0.21}));
    const Rgb bars[] = {{0.75, 0.75, 0.75}, {0.75, 0.75, 0}, {0, 0.75, 0.75}, {0, 0.75, 0},
                        {0.75, 0, 0.75},    {0.75, 0, 0},    {0, 0, 0.75}};
    const double x0 = 0.10, x1 = 0.90, w = (x1 - x0) / 7;
    for (int i = 0; i < 7; ++i)
        Fill(img, Box(x0 + i * w, 0.16, x0 + (i + 1) * w, 0.62), Solid(bars[i]));
    Fill(img, Box(x0, 0.62, x1, 0.74), [=](double u, double) {
        const double g = (u - x0) / (x1 - x0);
        return Rgb{g, g, g};
    });
    return img;
}

} // namespace

ui::Image LoadIconImage(int id, int size) {
    const int n = size > 0 ? size : 32;
    switch (id) {
    case IDR_MAINFRAME:
        return AppIcon(n);
    case IDI_PORT_IDLE:
        return PortIdle(n);
    case IDI_PORT_ACTIVE:
        return PortActive(n);
    case IDI_SIGNAL_ON:
        return SignalLamp(IDI_SIGNAL_ON, n, true);
    case IDI_SIGNAL_OFF:
        return SignalLamp(IDI_SIGNAL_OFF, n, false);
    case IDI_SELECTED:
        return Selected(n);
    default:
        return ui::Image();
    }
}
