#!/bin/sh
# Runs a serial test executable of the Windows build under wine, with COM5 and COM6 the two ends
# of a pseudo-terminal null-modem cable (pty_relay.py). Only COM5 and COM6 of the wine prefix are
# touched, and restored afterwards: wine maps COM1..COM4 to the machine's own serial ports.
# Usage: run_serial.sh WINE TEST_EXE [gtest arguments]
set -u
wine=$1
test_exe=$2
shift 2
here=$(dirname "$0")
prefix=${WINEPREFIX:-$HOME/.wine}
export WINEDEBUG=${WINEDEBUG:--all}
# A cold wine costs seconds per start: keep one server for the run.
"${wine}server" -p 2>/dev/null || wineserver -p 2>/dev/null

control=$(mktemp -d)
python3 "$here/pty_relay.py" "$control" &
relay=$!
i=0
while [ ! -f "$control/ports" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
if [ ! -f "$control/ports" ]; then
    echo "run_serial.sh: the pseudo-terminal relay did not start" >&2
    kill $relay 2>/dev/null
    exit 1
fi
mkdir -p "$prefix/dosdevices"
saved=""
n=5
for slave in $(cat "$control/ports"); do
    link="$prefix/dosdevices/com$n"
    if [ -L "$link" ]; then
        saved="$saved $n:$(readlink "$link")"
    fi
    ln -sfn "$slave" "$link"
    n=$((n + 1))
done

KESTRELON_WINE_CONTROL="Z:$(echo "$control" | tr / '\\')" WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-} \
    "$wine" "$test_exe" "$@"
status=$?

touch "$control/stop"
i=0
while kill -0 $relay 2>/dev/null && [ $i -lt 40 ]; do sleep 0.05; i=$((i + 1)); done
kill $relay 2>/dev/null
wait $relay 2>/dev/null
rm -f "$prefix/dosdevices/com5" "$prefix/dosdevices/com6"
for entry in $saved; do
    ln -sfn "${entry#*:}" "$prefix/dosdevices/com${entry%%:*}"
done
rm -rf "$control"
exit $status
