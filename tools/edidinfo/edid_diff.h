// Two EDIDs compared: the fields of their models that differ (by the JSON names of edid_json.h)
// and the byte offsets that differ.
#pragma once

#include "tools/edidinfo/edid_json.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace edidjson {

struct FieldDifference {
    std::string name; // "edid.product_code", "edid.extensions[0].svds[3].vic"
    bool inA = false, inB = false;
    Json a, b; // the values where present (a whole object or list where only one side has it)
};

struct EdidDifference {
    std::size_t sizeA = 0, sizeB = 0;
    std::vector<FieldDifference> fields;
    std::vector<std::size_t> bytes; // offsets whose bytes differ, or that only one EDID has

    bool Identical() const { return fields.empty() && bytes.empty(); }
};

EdidDifference DiffEdids(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

// {"identical", "size_a", "size_b", "fields": [{"name", "a", "b"}], "bytes": [...]}; "a" or "b"
// is left out of a field that EDID does not have.
Json DiffJson(const EdidDifference& diff);

// One line per field ("name: A -> B", "(absent)" for a missing side), then the count of bytes
// that differ, the first offset and the offsets as ranges. Empty when identical.
std::string DiffText(const EdidDifference& diff);

} // namespace edidjson
