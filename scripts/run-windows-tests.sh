#!/usr/bin/env bash
# Builds the native Windows variant with mingw-w64 and runs its tests under wine, on a virtual X
# display, in a wine prefix made for this run alone. Installs what is missing first. Exits with
# ctest's status; the prefix, the display and the wine server are gone afterwards on every path.
#
#   scripts/run-windows-tests.sh [extra ctest arguments]
#
# KESTRELON_WINDOWS_BUILD_DIR overrides the build directory (default: the preset's build-windows).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Packages: the Linux build's own list, then the cross compiler, wine and the X server.
"$root/scripts/install-deps.sh"
packages=(g++-mingw-w64-x86-64-posix wine64 wine xvfb python3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
        --no-install-recommends "${missing[@]}"
fi

# A fresh prefix for each run; no mono or gecko installer prompts, no debug chatter.
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelon-wine-XXXXXX")
export WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
xvfb_pid=""

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    if [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# A virtual display on the first free number from 90 on (the dialog tests show real windows).
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.05
        done
        if [ -e "/tmp/.X11-unix/X$n" ]; then
            display=":$n"
            break
        fi
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
done
if [ -z "$display" ]; then
    echo "run-windows-tests.sh: no free X display for Xvfb" >&2
    exit 1
fi
export DISPLAY=$display

# Create the prefix, keep one server for the whole run (a cold wine costs seconds per start),
# and let wine manage its windows itself: without a window manager it otherwise waits about two
# seconds each time a window is hidden.
mkdir -p "$WINEPREFIX"
wineserver -p >"$work/wineserver.log" 2>&1
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# Wine's desktop process ends shortly after its last window closes, and the next test that shows
# a window then waits up to ten seconds for a new one: a minimised window keeps it for the run.
wine start /min notepad >/dev/null 2>&1

build=${KESTRELON_WINDOWS_BUILD_DIR:-}
status=0
if [ -n "$build" ]; then
    cmake -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build" -j2
    ctest --test-dir "$build" --output-on-failure --timeout 300 "$@" || status=$?
else
    cmake --preset windows
    cmake --build --preset windows
    ctest --preset windows "$@" || status=$?
fi
exit "$status"
