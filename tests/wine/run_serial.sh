#!/bin/sh
# Runs a serial test executable of the Windows build under wine, with COM5 and COM6 the two ends
# of a pseudo-terminal null-modem cable (pty_relay.py). Only COM5 and COM6 of the wine prefix are
# touched, and restored afterwards: wine maps COM1..COM4 to the machine's own serial ports.
#
# The test reaches the relay through files in the directory KESTRELON_WINE_CONTROL names:
#   hangup  the relay closes COM5's pseudo-terminal and carries on (pty_relay.py);
#   kill    this script kills the relay outright, then creates `killed`;
#   revive  this script starts a new relay, maps COM5 and COM6 to its new pseudo-terminals,
#           then creates `revived`.
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
relay=""

stop_relay() {
    [ -n "$relay" ] || return 0
    kill "$relay" 2>/dev/null
    wait "$relay" 2>/dev/null
    relay=""
}

# Starts a relay and maps COM5, COM6, ... to its pseudo-terminals. Returns 1 when it did not start.
start_relay() {
    rm -f "$control/ports"
    python3 "$here/pty_relay.py" "$control" &
    relay=$!
    i=0
    while [ ! -f "$control/ports" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
    if [ ! -f "$control/ports" ]; then
        echo "run_serial.sh: the pseudo-terminal relay did not start" >&2
        stop_relay
        return 1
    fi
    n=5
    for slave in $(cat "$control/ports"); do
        ln -sfn "$slave" "$prefix/dosdevices/com$n"
        n=$((n + 1))
    done
    return 0
}

mkdir -p "$prefix/dosdevices"
saved=""
for n in 5 6; do
    if [ -L "$prefix/dosdevices/com$n" ]; then
        saved="$saved $n:$(readlink "$prefix/dosdevices/com$n")"
    fi
done

status=1
if start_relay; then
    KESTRELON_WINE_CONTROL="Z:$(echo "$control" | tr / '\\')" \
        WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-} bash "$here/run_program.sh" "$wine" "$test_exe" "$@" &
    test_pid=$!
    # Serve the test's requests while it runs.
    while kill -0 "$test_pid" 2>/dev/null; do
        if [ -f "$control/kill" ]; then
            rm -f "$control/kill" "$control/revived"
            if [ -n "$relay" ]; then
                kill -9 "$relay" 2>/dev/null
                wait "$relay" 2>/dev/null
                relay=""
            fi
            touch "$control/killed"
        fi
        if [ -f "$control/revive" ]; then
            rm -f "$control/revive" "$control/killed" "$control/hangup"
            stop_relay
            start_relay && touch "$control/revived"
        fi
        sleep 0.05
    done
    wait "$test_pid"
    status=$?
fi

touch "$control/stop"
i=0
while [ -n "$relay" ] && kill -0 "$relay" 2>/dev/null && [ $i -lt 40 ]; do
    sleep 0.05
    i=$((i + 1))
done
stop_relay
rm -f "$prefix/dosdevices/com5" "$prefix/dosdevices/com6"
for entry in $saved; do
    ln -sfn "${entry#*:}" "$prefix/dosdevices/com${entry%%:*}"
done
rm -rf "$control"
exit $status
