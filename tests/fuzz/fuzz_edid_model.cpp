// libFuzzer target: the EDID model decoder, the checks and the JSON of both on any bytes (the
// page's 256-byte image of them, and the bytes at their own length), the tools' buffer parser
// on any file in both forms, and diff of the bytes against their page image. The bytes sit in
// heap blocks of exactly their size, so AddressSanitizer reports any read past them; the JSON
// is dumped strictly, so a text that is not UTF-8 throws.
#include "edid/edid_checks.h"
#include "edid/edid_file.h"
#include "edid/edid_model.h"
#include "tools/edidinfo/edid_diff.h"
#include "tools/edidinfo/edid_json.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The JSON, dumped strictly, only where asked: it costs more than the decoding.
void DecodeAndCheck(const std::uint8_t* bytes, std::size_t size, bool json) {
    const edid::EdidModel model = edid::DecodeEdidModel(bytes, size);
    const std::vector<edid::Finding> findings = edid::CheckEdidModel(model, bytes, size);
    Check(model.blocks <= 256 && model.extensions.size() <= model.extensionCount);
    Check((size < edid::kBlockSize) == (model.blocks == 0));
    for (const edid::Finding& f : findings) {
        Check(!f.rule.empty() && !f.message.empty());
        Check(f.offset < static_cast<long>(size > 0 ? size : 1));
    }
    if (!json)
        return;
    edidjson::Json j;
    j["edid"] = edidjson::ModelJson(model);
    j["checks"] = edidjson::FindingsJson(findings);
    Check(!j.dump().empty());
}

// A copy in a heap block of exactly size bytes (at least one, so the pointer is valid).
std::unique_ptr<std::uint8_t[]> Exact(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size ? size : 1]);
    if (size)
        std::memcpy(copy.get(), data, size);
    return copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The page's image: the first 256 bytes, missing ones 0xFF.
    std::uint8_t image[edid::kImageSize];
    std::memset(image, 0xFF, sizeof image);
    std::memcpy(image, data, size < sizeof image ? size : sizeof image);
    auto exactImage = Exact(image, sizeof image);
    DecodeAndCheck(exactImage.get(), sizeof image, false);

    // The bytes at their own length.
    auto exact = Exact(data, size);
    DecodeAndCheck(exact.get(), size, true);

    // As the content of a .txt and of a .bin file.
    const std::string content(reinterpret_cast<const char*>(data), size);
    for (bool text : {true, false}) {
        const std::vector<std::uint8_t> bytes = edid::ParseEdidBuffer(content, text);
        Check(bytes.size() <= edid::kMaxEdidSize);
        auto parsed = Exact(bytes.data(), bytes.size());
        DecodeAndCheck(parsed.get(), bytes.size(), false);
    }

    // The bytes against their page image, as diff compares a file with a saved copy.
    const std::vector<std::uint8_t> a(data, data + size), b(image, image + sizeof image);
    const edidjson::EdidDifference diff = edidjson::DiffEdids(a, b);
    Check(diff.Identical() == (a == b));
    Check(!edidjson::DiffJson(diff).dump().empty());
    edidjson::DiffText(diff);
    return 0;
}
