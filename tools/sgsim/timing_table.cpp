// The built-in timings in the form the generator's firmware holds them, made from the table the
// console shares, and their 20-byte record form.
#include "tools/sgsim/timing_table.h"

#include "link/timing_table.h"

#include <array>

namespace sgsim {

namespace {

static_assert(kBuiltInTimings == kBuiltInTimingCount, "one table of built-in timings");

// The firmware's form of a row of the shared table: the clock in 10 kHz units, truncated
// (74.1758 MHz becomes 7417); the small bias keeps a float stored just below a whole number of
// 10 kHz units from losing one.
CTimingRow FirmwareRow(const ::BuiltInTiming& t) {
    const auto w = [](int v) { return static_cast<std::uint16_t>(v); };
    return CTimingRow{static_cast<std::uint16_t>(t.clockMhz * 100.0 + 1e-3),
                      t.flags,
                      w(t.hActive),
                      w(t.hTotal),
                      w(t.hsWidth),
                      w(t.hBack),
                      w(t.vActive),
                      w(t.vTotal),
                      w(t.vsWidth),
                      w(t.vBack)};
}

} // namespace

const CTimingRow* BuiltInTiming(int code) {
    static const std::array<CTimingRow, kBuiltInTimings> rows = [] {
        std::array<CTimingRow, kBuiltInTimings> r{};
        for (int c = 0; c < kBuiltInTimings; ++c)
            r[c] = FirmwareRow(*FindBuiltInTiming(c));
        return r;
    }();
    if (code < 0 || code >= kBuiltInTimings)
        return nullptr;
    return &rows[code];
}

UserTimingRecord RecordFromRow(const CTimingRow& row, std::uint8_t slot) {
    const bool interlaced = (row.bFlags & 0x01) != 0;
    const int vActive = interlaced ? row.wVActive / 2 : row.wVActive;
    const int vTotal = interlaced ? row.wVTotal / 2 : row.wVTotal;
    UserTimingRecord r;
    r.slot = slot;
    r.pixelClock10kHz = row.wClock10kHz;
    r.flags =
        static_cast<std::uint8_t>((interlaced ? UserTimingRecord::kInterlaced : 0) |
                                  ((row.bFlags & 0x04) ? UserTimingRecord::kHsyncPositive : 0) |
                                  ((row.bFlags & 0x08) ? UserTimingRecord::kVsyncPositive : 0));
    r.hActive = row.wHActive;
    r.hBlank = static_cast<std::uint16_t>(row.wHTotal - row.wHActive);
    r.hsOffset = static_cast<std::uint16_t>(r.hBlank - row.wHBack);
    r.hsWidth = row.wHSyncWidth;
    r.vActive = static_cast<std::uint16_t>(vActive);
    r.vBlank = static_cast<std::uint16_t>(vTotal - vActive);
    // The 4K rows hold a back value larger than their blanking (twice the real sync + back
    // porch); taken as it stands it would give a negative sync offset, so it is halved there.
    const int vBack = row.wVBack < r.vBlank ? row.wVBack : row.wVBack / 2;
    r.vsOffset = static_cast<std::uint16_t>(vBack < r.vBlank ? r.vBlank - vBack : 0);
    r.vsWidth = row.wVSyncWidth;
    return r;
}

} // namespace sgsim
