#!/usr/bin/env bash
# Renders the console offscreen into docs/: the main dialog and each tab page, in the fonts of a
# Debian desktop (tests/fonts/desktop.conf). With the emulator built, it first connects to it so
# the panel shows a generator's values.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build --preset default --target console_screens >/dev/null
out="${1:-docs}"
mkdir -p "$out"
emulator=build/tools/sgsim/sgsim
ports=$(mktemp -d)
export XDG_CONFIG_HOME="$ports"
mkdir -p "$ports/kestrelon/ports" && touch "$ports/kestrelon/ports/manual"
args=()
if [ -x "$emulator" ]; then
    "$emulator" --com 7 --ports-dir "$ports/kestrelon/ports" >/dev/null &
    sim=$!
    trap 'kill $sim 2>/dev/null; rm -rf "$ports"' EXIT
    sleep 0.3
    args=(--com 7)
else
    trap 'rm -rf "$ports"' EXIT
fi
# In the fonts of a Debian desktop, whatever this machine has.
FONTCONFIG_FILE="$PWD/tests/fonts/desktop.conf" QT_QPA_PLATFORM=offscreen \
    build/tools/screens/console_screens "$out" "${args[@]}"
