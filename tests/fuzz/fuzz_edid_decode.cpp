// libFuzzer target: the EDID decoder on any 256 bytes, and the text file parser on any text.
// The image sits in a heap block of exactly 256 bytes, so AddressSanitizer reports any read
// past it.
#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "edid/edid_report.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool EndsWithLineBreak(const std::string& text) {
    return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
}

void DecodeImage(const std::uint8_t* bytes) {
    const auto view = edid::ImageView::FromPointer(bytes);
    const edid::Decoded full = edid::ValidateAndDecode(view);
    const edid::Decoded opened = edid::DecodeWithoutValidation(view);

    Check(!full.status.empty() && opened.status.empty());
    Check(opened.hexDump.size() == 3 * edid::kImageSize);
    Check(EndsWithLineBreak(opened.video) && EndsWithLineBreak(opened.audio) &&
          EndsWithLineBreak(opened.general));
    if (edid::HasValidHeader(view)) {
        Check(full.hexDump == opened.hexDump && full.video == opened.video &&
              full.audio == opened.audio && full.general == opened.general);
    } else {
        Check(full.hexDump.empty() && full.video.empty() && full.general.empty());
    }
    for (int section = -1; section <= 3; ++section)
        edid::DecodeSection(view, section);
    Check(!edid::ToJson(full).empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // As a .bin file: the first 256 bytes, missing ones 0xFF.
    std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[edid::kImageSize]);
    std::memset(image.get(), 0xFF, edid::kImageSize);
    std::memcpy(image.get(), data, size < edid::kImageSize ? size : edid::kImageSize);
    DecodeImage(image.get());

    // As a .txt file.
    const edid::Image parsed =
        edid::ParseEdidText(std::string(reinterpret_cast<const char*>(data), size));
    std::memcpy(image.get(), parsed.data(), edid::kImageSize);
    DecodeImage(image.get());
    return 0;
}
