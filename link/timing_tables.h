// The published tables of fixed video formats: the CTA-861 formats by VIC and the VESA DMT
// formats by DMT id. Plain data, generated from a transcription of the tables (see
// link/timing_tables.cpp).
#pragma once

namespace timing_calc {

struct StandardFormat {
    int id;            // VIC or DMT id
    int pixelClockKhz; // the clock on the link (pixel-repeated formats at their repeated width)
    int hActive, hFront, hSync, hBack;
    int vActive, vFront, vSync, vBack; // per field when interlaced
    bool interlaced;
    bool halfLine; // interlaced with a half line per field (an odd number of lines a frame)
    bool hsyncPositive, vsyncPositive;
    double nominalRate; // the rate the table names the format by (frame rate), in Hz
    bool reducedBlanking;
};

// The CTA-861 format with this VIC (1..127, 193..219); nullptr for any other number.
const StandardFormat* FindCta(int vic);
// Every CTA-861 format and every DMT format, in id order.
const StandardFormat* CtaBegin();
const StandardFormat* CtaEnd();
const StandardFormat* DmtBegin();
const StandardFormat* DmtEnd();

} // namespace timing_calc
