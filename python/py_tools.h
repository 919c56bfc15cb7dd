// The module's functions that need no generator: the timing calculator (calc) and the EDID
// decoder (decode_edid), each giving the JSON object its command-line tool prints as a dict.
#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <string>

namespace pyk {

// size: (width, height, rate) or (id,) for cta and dmt; id: the VIC or DMT id as a keyword.
pybind11::dict Calc(const std::string& formula, const pybind11::args& size, std::optional<int> id,
                    bool interlaced, bool videoOptimized, std::optional<int> hblank,
                    bool earlyVsync);

pybind11::dict DecodeEdid(const pybind11::buffer& data);

} // namespace pyk
