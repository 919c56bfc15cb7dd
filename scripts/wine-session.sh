# Sourced by the scripts that run the Windows build under wine (scripts/run-windows-tests.sh,
# tests/wine/run_e2e.sh): a fresh wine prefix in a temporary directory, a virtual X display on the
# first free number from 90 on, and one wine server for the whole run; all of it gone again when
# the script exits, on every path.
#
#   . scripts/wine-session.sh
#   wine_session_start NAME     # NAME names the temporary directory and the error messages
#   wine_session_on_exit CMD    # optional: run CMD (for example killing a helper) at the end
#
# After wine_session_start: $work is the temporary directory, WINEPREFIX and DISPLAY are set.

wine_session_extra_cleanup=""

wine_session_on_exit() {
    wine_session_extra_cleanup=$1
}

wine_session_cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    if [ -n "$wine_session_extra_cleanup" ]; then
        eval "$wine_session_extra_cleanup" || true
    fi
    if [ -d "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "${wine_session_xvfb:-}" ]; then
        kill "$wine_session_xvfb" 2>/dev/null || true
        wait "$wine_session_xvfb" 2>/dev/null || true
    fi
    rm -rf "${work:-}"
    exit "$status"
}

wine_session_start() {
    local name=$1
    # No mono or gecko installer prompts, no debug chatter, and no menu entries or file
    # associations of the host's desktop made for the prefix's Start menu shortcuts.
    work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelon-$name-XXXXXX")
    export WINEPREFIX="$work/prefix"
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEDEBUG=-all
    wine_session_xvfb=""
    trap wine_session_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP

    # The dialog tests and pictures show real windows.
    local display="" n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
            wine_session_xvfb=$!
            for _ in $(seq 1 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                kill -0 "$wine_session_xvfb" 2>/dev/null || break
                sleep 0.05
            done
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                display=":$n"
                break
            fi
            wait "$wine_session_xvfb" 2>/dev/null || true
            wine_session_xvfb=""
        fi
    done
    if [ -z "$display" ]; then
        echo "$name: no free X display for Xvfb" >&2
        exit 1
    fi
    export DISPLAY=$display

    # Create the prefix, keep one server for the whole run (a cold wine costs seconds per start),
    # and let wine manage its windows itself: without a window manager it otherwise waits about
    # two seconds each time a window is hidden.
    mkdir -p "$WINEPREFIX"
    wineserver -p >"$work/wineserver.log" 2>&1
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}
