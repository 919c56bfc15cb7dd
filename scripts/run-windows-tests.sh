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

# A fresh prefix, a virtual display and one wine server for the run, gone again at the end.
. "$root/scripts/wine-session.sh"
wine_session_start run-windows-tests
# Wine's desktop process ends shortly after its last window closes, and the next test that shows
# a window then waits up to ten seconds for a new one: a minimised window keeps it for the run.
wine start /min notepad >/dev/null 2>&1
# Starts of a test program that wine failed outright, each run again once (run_program.sh).
export KESTRELON_WINE_START_LOG="$work/wine-starts.log"

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
if [ -s "$KESTRELON_WINE_START_LOG" ]; then
    echo "Wine failed to start a test program $(wc -l <"$KESTRELON_WINE_START_LOG") time(s); each was started once more:"
    cat "$KESTRELON_WINE_START_LOG"
fi
exit "$status"
