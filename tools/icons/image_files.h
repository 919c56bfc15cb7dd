// PNG and ICO files from our RGBA images, with no library beyond the standard one: the icon
// renderer runs on the build machine, also when the build itself is for Windows.
#pragma once

#include "platform/ui/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace icons {

// The PNG file of an image (8-bit RGBA, compressed), as bytes.
std::vector<std::uint8_t> EncodePng(const ui::Image& image);

// An icon file holding the images, each at its own size (square, 1 to 256 pixels): 256-pixel
// images as PNG, smaller ones as 32-bit bitmaps with their mask, as Windows expects them.
std::vector<std::uint8_t> EncodeIco(const std::vector<ui::Image>& images);

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace icons
