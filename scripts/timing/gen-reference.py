#!/usr/bin/env python3
"""Writes the reference timings the calculator's tests compare against, computed by independent
programs from Debian's packages:

    apt-get install edid-decode xcvt    # and gtf, from xserver-xorg-core
    scripts/timing/gen-reference.py tests/unit/timing_reference.csv

- edid-decode (--cvt, --gtf, --dmt, --vic): every formula and both tables;
- cvt (xcvt): CVT and CVT reduced blanking v1, progressive;
- gtf: GTF, progressive.

One CSV row per case and reference program. Columns: formula, h, v, rate (the frame rate), scan
(p or i), option (video, hblank=N, early, id=N), source, pixel clock in kHz, H active, front
porch, sync, back porch, V active, front porch, sync, back porch (per field), Hsync +, Vsync +
(1/0), clock_exact (1 when the program gives the clock to the kHz, 0 when to 10 kHz).

Notes on the programs as Debian 12 ships them:
- edid-decode takes the field rate of an interlaced CVT or GTF timing, so it is given twice the
  frame rate the standards take.
- edid-decode rounds the clock of reduced blanking v3 to 0.25 MHz; the standard rounds it up to
  1 kHz. Its v3 rows keep its totals and porches, and the clock is the standard's rounding of
  its totals at the rate asked: ceil(rate x H total x V total / 1 kHz).
- edid-decode keeps the 8-pixel, 8-line borders of DMT 640x480 at 60 and 72 Hz apart from the
  porches; on the line they are blank, so they are counted in the porches here, as the CTA
  table does for the same timing.
- DMT 0x43 and 0x4b: see DMT_CORRECTIONS.
- cvt computes the clock of reduced blanking from its estimated line period rather than the
  line count it arrives at; those of its rows are left out, as are its normal blanking rows
  with a different H sync (it loses a cell to floating point at some sizes) or with the
  minimum back porch below.
- edid-decode lets reduced blanking v3 with early sync take a front porch of 0 lines, below
  the minimum of 1; those rows are left out.
- cvt's normal blanking keeps a minimum vertical back porch of 6 lines (the older standard's
  value, 7 since); cases where that minimum decides are left to edid-decode.
"""
import math
from fractions import Fraction
import re
import subprocess
import sys

SIZES = [(640, 480), (800, 600), (1024, 768), (1280, 720), (1280, 800), (1280, 1024),
         (1360, 768), (1440, 900), (1600, 1200), (1680, 1050), (1920, 1080), (1920, 1200),
         (2560, 1080), (2560, 1440), (2560, 1600), (3440, 1440), (3840, 2160), (4096, 2160),
         (5120, 2880)]
INTERLACED_SIZES = [(720, 480), (1024, 768), (1280, 1024), (1920, 1080), (1600, 1200)]


# Two reduced blanking DMT formats where edid-decode's table disagrees with its own CVT
# reduced blanking calculation, with the DMT clock (V total x H total x 120 Hz rounded down to
# 0.25 MHz gives 356.5 and 380.5 MHz only with these lines) and with the kernel's copy.
DMT_CORRECTIONS = {0x43: {"vbp": 75}, 0x4b: {"vfp": 3, "vs": 4}}


def run(args):
    return subprocess.run(args, capture_output=True, text=True, check=False).stdout


def parse_edid_decode(text, v_frame, interlaced):
    head = re.search(r"(\d+)x(\d+)i?\s+[\d.]+ Hz.*?([\d.]+) MHz", text)
    h = re.search(r"Hfront\s+(-?\d+) Hsync\s+(\d+) Hback\s+(-?\d+) Hpol ([NP])", text)
    v = re.search(r"Vfront\s+(-?\d+) Vsync\s+(\d+) Vback\s+(-?\d+) Vpol ([NP])", text)
    if not (head and h and v):
        return None
    khz = round(float(head.group(3)) * 1000)
    # A border (DMT 640x480 at 60 and 72 Hz) is blank on the line: counted in the porches.
    hb = re.search(r"Hborder\s+(\d+)", text)
    vb = re.search(r"Vborder\s+(\d+)", text)
    hb = int(hb.group(1)) if hb else 0
    vb = int(vb.group(1)) if vb else 0
    return dict(clock=khz, ha=int(head.group(1)), hfp=int(h.group(1)) + hb, hs=int(h.group(2)),
                hbp=int(h.group(3)) + hb, va=int(head.group(2)) // (2 if interlaced else 1),
                vfp=int(v.group(1)) + vb, vs=int(v.group(2)), vbp=int(v.group(3)) + vb,
                hpos=h.group(4) == "P", vpos=v.group(4) == "P", exact=1)


def parse_modeline(text):
    m = re.search(r'Modeline\s+"[^"]*"\s+([\d.]+)\s+(\d+) (\d+) (\d+) (\d+)\s+(\d+) (\d+) (\d+) '
                  r'(\d+)\s+([-+])hsync\s+([-+])vsync', text, re.I)
    if not m:
        return None
    n = [int(x) for x in m.groups()[1:9]]
    return dict(clock=round(float(m.group(1)) * 1000), ha=n[0], hfp=n[1] - n[0],
                hs=n[2] - n[1], hbp=n[3] - n[2], va=n[4], vfp=n[5] - n[4], vs=n[6] - n[5],
                vbp=n[7] - n[6], hpos=m.group(10) == "+", vpos=m.group(11) == "+", exact=0)


def edid_decode_formula(formula, h, v, rate, interlaced, option):
    fps = rate * 2 if interlaced else rate
    if formula == "gtf":
        params = "w=%d,h=%d,fps=%s" % (h, v, fps) + (",interlaced" if interlaced else "")
        args = ["--gtf"]
    else:
        rb = {"cvt": 0, "cvt-rb": 1, "cvt-rb2": 2, "cvt-rb3": 3}[formula]
        # edid-decode reads no option after rb=.
        params = "w=%d,h=%d,fps=%s" % (h, v, fps) + (",interlaced" if interlaced else "")
        params += ",rb=%d" % rb
        if option == "video":
            params += ",alt"
        elif option.startswith("hblank="):
            params += "," + option
        elif option == "early":
            params += ",early-vsync"
        args = ["--cvt"]
    text = run(["edid-decode"] + args + [params])
    if (re.search(r"\d+x\d+i\s", text) is not None) != interlaced:
        sys.exit("edid-decode did not take the scan of " + params)
    r = parse_edid_decode(text, v, interlaced)
    if r and formula in ("cvt-rb", "cvt-rb2"):
        # Where the clock is a whole number of steps, edid-decode's floating point sometimes
        # lands a step below it; the exact product is kept.
        step = 250 if formula == "cvt-rb" else 1
        lines = r["va"] + r["vfp"] + r["vs"] + r["vbp"] + (Fraction(1, 2) if interlaced else 0)
        exact = (Fraction(str(fps)) * lines * (r["ha"] + r["hfp"] + r["hs"] + r["hbp"]) /
                 1000 * (Fraction(1000, 1001) if option == "video" else 1))
        if exact % step == 0 and r["clock"] == exact - step:
            r["clock"] = int(exact)
    if r and formula == "cvt-rb3":
        total_h = r["ha"] + r["hfp"] + r["hs"] + r["hbp"]
        total_v = r["va"] + r["vfp"] + r["vs"] + r["vbp"]
        r["clock"] = math.ceil(rate * total_h * total_v / 1000 - 1e-7)
    return r


def emit(out, formula, h, v, rate, interlaced, option, source, r):
    b = lambda x: "1" if x else "0"
    out.append(",".join(str(x) for x in [
        formula, h, v, rate, "i" if interlaced else "p", option, source, r["clock"], r["ha"],
        r["hfp"], r["hs"], r["hbp"], r["va"], r["vfp"], r["vs"], r["vbp"], b(r["hpos"]),
        b(r["vpos"]), r["exact"]]))


def formula_cases():
    cases = []
    for h, v in SIZES:
        for rate in (50, 60, 75, 85, 120):
            cases.append(("cvt", h, v, rate, False, ""))
        for rate in (60, 120):
            cases.append(("cvt-rb", h, v, rate, False, ""))
        for rate in (24, 60, 144):
            cases.append(("cvt-rb2", h, v, rate, False, ""))
        cases.append(("cvt-rb2", h, v, 60, False, "video"))
        for rate in (60, 120):
            cases.append(("cvt-rb3", h, v, rate, False, ""))
        cases.append(("cvt-rb3", h, v, 60, False, "early"))
        cases.append(("cvt-rb3", h, v, 60, False, "hblank=160"))
        for rate in (60, 85):
            cases.append(("gtf", h, v, rate, False, ""))
    # Low rates, where the minimum porches decide.
    for h, v in [(640, 480), (800, 600), (1024, 768)]:
        for f in ("cvt", "cvt-rb", "cvt-rb2", "cvt-rb3", "gtf"):
            cases.append((f, h, v, 24, False, ""))
    cases.append(("cvt-rb2", 1366, 768, 60, False, ""))
    cases.append(("cvt-rb2", 1366, 768, 24, False, "video"))
    for h, v in INTERLACED_SIZES:
        for rate in (25, 30):
            for f in ("cvt", "cvt-rb", "gtf"):
                cases.append((f, h, v, rate, True, ""))
    return cases


def main():
    out = ["formula,h,v,rate,scan,option,source,clock_khz,h_active,h_front,h_sync,h_back,"
           "v_active,v_front,v_sync,v_back,hsync_pos,vsync_pos,clock_exact"]
    for formula, h, v, rate, il, option in formula_cases():
        r = edid_decode_formula(formula, h, v, rate, il, option)
        if not r:
            sys.exit("edid-decode gave nothing for %s %dx%d@%s" % (formula, h, v, rate))
        if option == "early" and r["vfp"] < 1:
            sys.stderr.write("%s %dx%d@%s early: edid-decode's front porch %d is below the "
                             "minimum of 1, left out\n" % (formula, h, v, rate, r["vfp"]))
            continue
        emit(out, formula, h, v, rate, il, option, "edid-decode", r)
        if il or option:
            continue
        other = None
        if formula == "cvt" or (formula == "cvt-rb" and rate % 60 == 0):
            other = ("cvt", parse_modeline(run(["cvt"] + (["-r"] if formula == "cvt-rb" else [])
                                               + [str(h), str(v), str(rate)])))
        elif formula == "gtf":
            other = ("gtf", parse_modeline(run(["gtf", str(h), str(v), str(rate), "-x"])))
        if other and other[1]:
            # The programs' own differences (see above) are left out rather than guessed at.
            same = all(other[1][k] == r[k] for k in r if k not in ("clock", "exact"))
            same = same and abs(other[1]["clock"] - r["clock"]) <= 5
            if same:
                emit(out, formula, h, v, rate, il, option, other[0], other[1])
            else:
                sys.stderr.write("%s %dx%d@%s: %s differs from edid-decode, left out\n" %
                                 (formula, h, v, rate, other[0]))
    for vic in list(range(1, 128)) + list(range(193, 220)):
        text = run(["edid-decode", "--vic", str(vic)])
        il = re.search(r"\d+x\d+i\s", text) is not None
        r = parse_edid_decode(text, 0, il)
        emit(out, "cta", 0, 0, 0, il, "id=%d" % vic, "edid-decode", r)
    for dmt in range(1, 0x59):
        text = run(["edid-decode", "--dmt", "0x%02x" % dmt])
        il = re.search(r"\d+x\d+i\s", text) is not None
        r = parse_edid_decode(text, 0, il)
        r.update(DMT_CORRECTIONS.get(dmt, {}))
        emit(out, "dmt", 0, 0, 0, il, "id=%d" % dmt, "edid-decode", r)
    with open(sys.argv[1], "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    sys.stderr.write("%d rows\n" % (len(out) - 1))


main()
