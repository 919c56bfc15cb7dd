#!/usr/bin/env bash
# The Windows console against the Linux generator emulator, end to end: sgsim serves a
# pseudo-terminal that a fresh wine prefix sees as COM7, the Windows screenshot tool connects on
# COM7 under wine on a virtual X display, waits for the status read-back, and writes one PNG of
# the main dialog and one per tab page as OUTDIR/windows-*.png.
#
#   tests/wine/run_e2e.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR [OUTDIR (default: docs)]
#
# The prefix's Light theme is on, as wine sets it up: with their manifest the controls draw with
# the visual styles, as on Windows.
#
# Exits non-zero when the read-back did not complete or a picture is missing. The prefix, the
# display, the wine server and the emulator are gone afterwards on every path.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 WINDOWS_BUILD_DIR LINUX_BUILD_DIR [OUTDIR]" >&2
    exit 2
fi
win_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
out=${3:-docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
screens="$win_build/tools/screens/console_screens.exe"
emulator="$linux_build/tools/sgsim/sgsim"
for f in "$screens" "$emulator"; do
    if [ ! -x "$f" ]; then
        echo "run_e2e.sh: $f is missing; build it first" >&2
        exit 2
    fi
done

# A fresh prefix, a virtual display and one wine server for the run, gone again at the end with
# the emulator.
root=$(cd "$(dirname "$0")/../.." && pwd)
sim_pid=""
. "$root/scripts/wine-session.sh"
wine_session_on_exit 'if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; fi'
wine_session_start run_e2e.sh
# KESTRELON_E2E_DPI (for example 144) gives the prefix's display that DPI, to see the console laid
# out for it.
if [ -n "${KESTRELON_E2E_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KESTRELON_E2E_DPI" \
        /f >/dev/null 2>&1
fi

# The emulator registers its pseudo-terminal in a port map directory of its own; the prefix's
# com7 points at the same terminal. Only com7 is touched: wine maps COM1..COM4 to the machine's
# own serial ports.
ports="$work/ports"
mkdir -p "$ports"
touch "$ports/manual"
"$emulator" --com 7 --ports-dir "$ports" --exit-with-parent --log "$work/frames.log" \
    >"$work/sgsim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
    [ -L "$ports/COM7" ] && break
    sleep 0.05
done
if [ ! -L "$ports/COM7" ]; then
    echo "run_e2e.sh: the emulator did not register COM7" >&2
    cat "$work/sgsim.out" >&2
    exit 1
fi
mkdir -p "$WINEPREFIX/dosdevices"
ln -sfn "$(readlink "$ports/COM7")" "$WINEPREFIX/dosdevices/com7"

shots="$work/shots"
mkdir -p "$shots"
status=0
wine "$screens" "$(winepath -w "$shots")" --com 7 --wait 4000 || status=$?
echo "run_e2e.sh: frames exchanged: $(grep -c . "$work/frames.log" 2>/dev/null || echo 0)"
if [ "$status" -ne 0 ]; then
    echo "run_e2e.sh: the screenshot tool failed ($status)" >&2
    exit 1
fi
# The read-back ends with the status summary: the emulator's reply to it (word 0x80a9 in bytes
# 7 and 8 of a frame it sent) shows that the console got that far.
if ! grep -Eq ' TX( [0-9a-f]{2}){7} a9 80' "$work/frames.log"; then
    echo "run_e2e.sh: no status read-back in the frame log" >&2
    head -20 "$work/frames.log" >&2 || true
    exit 1
fi
for f in main-dialog tab-timing tab-timing-details tab-pattern tab-setting tab-edid; do
    if [ ! -s "$shots/$f.png" ]; then
        echo "run_e2e.sh: $f.png is missing" >&2
        exit 1
    fi
    cp "$shots/$f.png" "$out/windows-$f.png"
done
echo "run_e2e.sh: pictures in $out/windows-*.png"
