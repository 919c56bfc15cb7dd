#!/usr/bin/env python3
"""Writes link/timing_tables.cpp: the CTA-861 video formats (VIC 1..127, 193..219) and the VESA
DMT formats, transcribed from the mode tables of the Linux kernel's DRM EDID parser
(drivers/gpu/drm/drm_edid.c, as shipped by Debian's linux-source package), which copy the
published tables.

    scripts/timing/gen-standard-tables.py /path/to/drm_edid.c > link/timing_tables.cpp

The kernel keeps interlaced formats in frame lines and pixel-repeated formats at half their
clock (DBLCLK); the tables here hold what the published tables list: vertical values per field,
and the transmitted pixel count and clock. Where the kernel's transcription differs from the
published DMT table, CORRECTIONS says so and puts the published value back.
"""
import re
import sys

# DMT 0x52 (1920x1080 at 60 Hz) has positive sync polarities in the DMT table; the kernel's copy
# lists them negative.
CORRECTIONS = {("dmt", 0x52): {"hpos": True, "vpos": True}}

ROW = re.compile(
    r"/\*\s*(?P<id>0x[0-9a-fA-F]+|\d+)\s*-\s*(?P<name>[^*]*?)\s*\*/\s*"
    r"\{\s*DRM_MODE\(\s*\"[^\"]*\",\s*DRM_MODE_TYPE_DRIVER,\s*(?P<nums>[\d,\s]+),\s*"
    r"(?P<flags>[A-Z_|\s]+)\)",
    re.S)


def table(text, name):
    start = text.index("static const struct drm_display_mode %s[] = {" % name)
    end = text.index("\n};", start)
    return text[start:end]


def rows(body, kind):
    out = []
    for m in ROW.finditer(body):
        n = [int(x) for x in m.group("nums").replace("\n", " ").split(",")]
        clock, hd, hss, hse, ht, _hskew, vd, vss, vse, vt, _vscan = n
        flags = m.group("flags")
        interlaced = "INTERLACE" in flags
        if "DBLCLK" in flags:
            clock, hd, hss, hse, ht = clock * 2, hd * 2, hss * 2, hse * 2, ht * 2
        if interlaced:
            half = vt % 2 == 1
            vd, vss, vse, vt = vd // 2, (vss - vd) // 2 + vd // 2, (vse - vd) // 2 + vd // 2, vt // 2
        else:
            half = False
        name = m.group("name")
        rate = re.search(r"@([\d.]+)Hz", name)
        r = {
            "id": int(m.group("id"), 0), "clock": clock, "ha": hd, "hfp": hss - hd,
            "hs": hse - hss, "hbp": ht - hse, "va": vd, "vfp": vss - vd, "vs": vse - vss,
            "vbp": vt - vse, "il": interlaced, "half": half,
            "hpos": "PHSYNC" in flags, "vpos": "PVSYNC" in flags,
            "rate": rate.group(1) if rate else "0", "rb": name.endswith("RB"),
        }
        r.update(CORRECTIONS.get((kind, r["id"]), {}))
        out.append(r)
    return out


def emit(name, rs):
    b = lambda v: "true" if v else "false"
    print("const StandardFormat %s[] = {" % name)
    print("    // id, clock kHz, H active, front, sync, back, V active, front, sync, back (per "
          "field),")
    print("    // interlaced, half line, Hsync +, Vsync +, rate in the name, reduced blanking")
    for r in sorted(rs, key=lambda r: r["id"]):
        print("    {%d, %d, %d, %d, %d, %d, %d, %d, %d, %d, %s, %s, %s, %s, %s, %s}," % (
            r["id"], r["clock"], r["ha"], r["hfp"], r["hs"], r["hbp"], r["va"], r["vfp"],
            r["vs"], r["vbp"], b(r["il"]), b(r["half"]), b(r["hpos"]), b(r["vpos"]),
            r["rate"], b(r["rb"])))
    print("};")


def main():
    text = open(sys.argv[1], encoding="utf-8").read()
    dmt = rows(table(text, "drm_dmt_modes"), "dmt")
    cta = rows(table(text, "edid_cea_modes_1"), "cta") + rows(table(text, "edid_cea_modes_193"),
                                                              "cta")
    print("// The CTA-861 video formats and the VESA DMT formats as their published tables give "
          "them.")
    print("// Written by scripts/timing/gen-standard-tables.py; edit that script, not this file.")
    print('#include "link/timing_tables.h"')
    print()
    print("#include <iterator>")
    print()
    print("namespace timing_calc {")
    print()
    print("namespace {")
    print()
    emit("kCta", cta)
    print()
    emit("kDmt", dmt)
    print()
    print("} // namespace")
    print()
    print("const StandardFormat* FindCta(int vic) {")
    print("    for (const StandardFormat& f : kCta)")
    print("        if (f.id == vic)")
    print("            return &f;")
    print("    return nullptr;")
    print("}")
    print()
    print("const StandardFormat* DmtBegin() {")
    print("    return std::begin(kDmt);")
    print("}")
    print()
    print("const StandardFormat* DmtEnd() {")
    print("    return std::end(kDmt);")
    print("}")
    print()
    print("const StandardFormat* CtaBegin() {")
    print("    return std::begin(kCta);")
    print("}")
    print()
    print("const StandardFormat* CtaEnd() {")
    print("    return std::end(kCta);")
    print("}")
    print()
    print("} // namespace timing_calc")
    sys.stderr.write("%d CTA formats, %d DMT formats\n" % (len(cta), len(dmt)))


main()
