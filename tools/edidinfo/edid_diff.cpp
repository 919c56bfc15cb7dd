// Comparing two EDIDs field by field through their JSON models, and byte by byte.
#include "tools/edidinfo/edid_diff.h"

#include <cstdio>

namespace edidjson {

namespace {

void Compare(const std::string& name, const Json* a, const Json* b,
             std::vector<FieldDifference>& out) {
    if (a && b && *a == *b)
        return;
    if (a && b && a->is_object() && b->is_object()) {
        for (auto it = a->begin(); it != a->end(); ++it) {
            const auto other = b->find(it.key());
            Compare(name + "." + it.key(), &it.value(), other != b->end() ? &*other : nullptr, out);
        }
        for (auto it = b->begin(); it != b->end(); ++it)
            if (a->find(it.key()) == a->end())
                Compare(name + "." + it.key(), nullptr, &it.value(), out);
        return;
    }
    if (a && b && a->is_array() && b->is_array()) {
        const std::size_t n = a->size() > b->size() ? a->size() : b->size();
        for (std::size_t i = 0; i < n; ++i)
            Compare(name + "[" + std::to_string(i) + "]", i < a->size() ? &(*a)[i] : nullptr,
                    i < b->size() ? &(*b)[i] : nullptr, out);
        return;
    }
    FieldDifference d;
    d.name = name;
    d.inA = a != nullptr;
    d.inB = b != nullptr;
    if (a)
        d.a = *a;
    if (b)
        d.b = *b;
    out.push_back(std::move(d));
}

std::string Value(bool present, const Json& value) {
    return present ? value.dump(-1, ' ', false, Json::error_handler_t::replace) : "(absent)";
}

std::string Hex(std::size_t offset) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04zx", offset);
    return text;
}

} // namespace

EdidDifference DiffEdids(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    EdidDifference diff;
    diff.sizeA = a.size();
    diff.sizeB = b.size();
    const Json modelA = ModelJson(edid::DecodeEdidModel(a.data(), a.size()));
    const Json modelB = ModelJson(edid::DecodeEdidModel(b.data(), b.size()));
    Compare("edid", &modelA, &modelB, diff.fields);
    const std::size_t n = a.size() > b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            diff.bytes.push_back(i);
    return diff;
}

Json DiffJson(const EdidDifference& diff) {
    Json j = Object(5);
    j["identical"] = diff.Identical();
    j["size_a"] = diff.sizeA;
    j["size_b"] = diff.sizeB;
    Json fields = Json::array();
    for (const FieldDifference& f : diff.fields) {
        Json field = Object(3);
        field["name"] = f.name;
        if (f.inA)
            field["a"] = f.a;
        if (f.inB)
            field["b"] = f.b;
        fields.push_back(std::move(field));
    }
    j["fields"] = std::move(fields);
    j["bytes"] = diff.bytes;
    return j;
}

std::string DiffText(const EdidDifference& diff) {
    std::string out;
    for (const FieldDifference& f : diff.fields)
        out += f.name + ": " + Value(f.inA, f.a) + " -> " + Value(f.inB, f.b) + "\n";
    if (diff.bytes.empty())
        return out;
    out += std::to_string(diff.bytes.size()) + (diff.bytes.size() == 1 ? " byte" : " bytes") +
           " differ, first at " + Hex(diff.bytes.front());
    if (diff.sizeA != diff.sizeB)
        out += " (sizes " + std::to_string(diff.sizeA) + " and " + std::to_string(diff.sizeB) + ")";
    out += ":";
    for (std::size_t i = 0; i < diff.bytes.size();) {
        std::size_t j = i;
        while (j + 1 < diff.bytes.size() && diff.bytes[j + 1] == diff.bytes[j] + 1)
            ++j;
        out += " " + Hex(diff.bytes[i]);
        if (j > i)
            out += "-" + Hex(diff.bytes[j]);
        i = j + 1;
    }
    out += "\n";
    return out;
}

} // namespace edidjson
