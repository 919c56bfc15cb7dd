#!/usr/bin/env bash
# Runs a program of the Windows build under wine for ctest (the cross-compiling emulator).
#
# Now and then wine ends at once with a failure status before the program has run at all: no
# line of output, in a few milliseconds, where starting a program takes some 200 ms. Every test
# program writes (and flushes) its first line as soon as it starts, so a run that wrote nothing
# never reached the program: that one run is started once more, and the failed start is said on
# standard error and counted in the file KESTRELON_WINE_START_LOG names, if it names one. A run
# that wrote anything, or a second start that fails the same way, keeps its own status.
#
# Usage: run_program.sh WINE PROGRAM [arguments]
set -u
wine=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

attempt=1
while :; do
    start=$(date +%s%N)
    # Written as it comes (a test that hangs still shows how far it got), and kept to be judged.
    "$wine" "$@" 2>&1 | tee "$out"
    status=${PIPESTATUS[0]}
    if [ "$status" -eq 0 ] || [ -s "$out" ] || [ "$attempt" -ge 2 ]; then
        exit "$status"
    fi
    ms=$((($(date +%s%N) - start) / 1000000))
    said="wine ended with status $status after $ms ms before $(basename "$1") wrote anything"
    echo "run_program.sh: $said; starting it once more" >&2
    if [ -n "${KESTRELON_WINE_START_LOG:-}" ]; then
        echo "$said" >>"$KESTRELON_WINE_START_LOG"
    fi
    attempt=$((attempt + 1))
done
