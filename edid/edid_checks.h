// Named checks of an EDID against the E-EDID, CTA-861 and HDMI rules: a list of findings, each
// with a stable rule id, a severity and a message. Most EDIDs captured from real displays break
// some rule, so a finding is information for the reader, never a reason to stop decoding.
//
// Errors are breaks of structure that make a reader misread or lose data (header, checksums,
// counts and lengths that overrun, reserved codes, a missing preferred timing); warnings are
// departures a reader can work around (text terminators, dates, limits that contradict the
// timings).
#pragma once

#include "edid/edid_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace edid {

enum class Severity { kError, kWarning };

struct Finding {
    std::string rule; // stable id, e.g. "checksum", "cta-data-block-overrun"
    Severity severity = Severity::kError;
    std::string message;
    long offset = -1; // the image offset the finding is about, -1 for the EDID as a whole
};

// The findings for the EDID that the first size bytes at bytes hold: the base block's first,
// then each extension's; model must be DecodeEdidModel(bytes, size).
std::vector<Finding> CheckEdidModel(const EdidModel& model, const std::uint8_t* bytes,
                                    std::size_t size);

// "error" or "warning".
const char* SeverityName(Severity severity);

// True when any finding is an error.
bool HasErrors(const std::vector<Finding>& findings);

} // namespace edid
