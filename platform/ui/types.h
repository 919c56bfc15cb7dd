// Plain types of the dialog layer: message values, rectangles and the RGBA images that the
// console draws its icons and bitmaps into. No toolkit type appears here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Window messages the console names.
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_USER = 0x0400;

// Virtual key codes seen by PreTranslateMessage.
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_F1 = 0x70;
constexpr WPARAM VK_F2 = 0x71;
constexpr WPARAM VK_F3 = 0x72;

// Control notifications.
enum class Notify { Clicked, SelChange, SelEndOk, EditChange, KillFocus };

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// An RGBA image (0xAARRGGBB per pixel, row-major). resourceId names the icon or bitmap it was
// made for, so the console and its tests can tell which image a control shows.
struct Image {
    int resourceId = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Image() = default;
    Image(int id, int w, int h, std::uint32_t fill = 0)
        : resourceId(id), width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    bool IsNull() const { return width <= 0 || height <= 0; }
    std::uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

} // namespace ui
