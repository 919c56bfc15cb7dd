#!/usr/bin/env bash
# Installs what is missing, builds, starts the generator emulator on COM7 and launches the
# console. Click "Search Device" (or choose COM7 and click "Turn on Port") to connect.
# The emulator stops when the console closes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

com="${KESTRELON_DEMO_COM:-7}"
emulator=build/tools/sgsim/sgsim
sim_pid=""
if [ -x "$emulator" ]; then
    "$emulator" --com "$com" --pid $$ &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
    sleep 0.3
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found. Run this from a desktop session, or under xvfb-run." >&2
    exit 1
fi
build/app/kestrelon
