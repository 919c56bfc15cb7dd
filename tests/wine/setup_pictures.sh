#!/usr/bin/env bash
# Pictures of the Windows setup program under wine, in a fresh prefix on a virtual display: its
# pages (welcome, components, folder, finished) as a user clicks through them with Enter, and the
# Start menu entries it made, shown by wine's desktop shell. Writes OUTDIR/setup-*.png.
#
#   tests/wine/setup_pictures.sh SETUP_EXE [OUTDIR (default: docs)]
#
# Needs xdotool (Debian package xdotool) to press the keys and open the Start menu. The pages are
# cut below their caption bar, which wine draws with a symbol font the prefix may lack.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 SETUP_EXE [OUTDIR]" >&2
    exit 2
fi
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=${2:-docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
for tool in xdotool import convert xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "setup_pictures.sh: $tool is missing (packages xdotool, imagemagick, x11-utils)" >&2
        exit 2
    fi
done

root=$(cd "$(dirname "$0")/../.." && pwd)
setup_pid=""
shell_pid=""
. "$root/scripts/wine-session.sh"
wine_session_on_exit 'for pid in $setup_pid $shell_pid; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done'
wine_session_start setup_pictures

# The geometry WxH+X+Y of the first top-level window whose title starts with this one (the setup
# program's pages add to it), empty when there is none.
geometry() {
    xwininfo -root -tree |
        sed -n "s/^ *0x[0-9a-f]* \"$1[^\"]*\": .*  \([0-9]*x[0-9]*+[0-9]*+[0-9]*\)  .*/\1/p" |
        head -1
}
wait_for_window() {
    for _ in $(seq 1 100); do
        [ -n "$(geometry "$1")" ] && return 0
        sleep 0.1
    done
    echo "setup_pictures.sh: no window \"$1\"" >&2
    exit 1
}
# Writes the window titled TITLE, without its caption bar, to NAME.png.
picture() { # TITLE NAME
    local g w h x y
    g=$(geometry "$1")
    IFS="x+" read -r w h x y <<<"$g"
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x$((h - 21))+$x+$((y + 21))" +repage "$out/$2.png"
    echo "setup_pictures.sh: $out/$2.png"
}

wine "$setup" >/dev/null 2>&1 &
setup_pid=$!
wait_for_window "Kestrelon Setup"
sleep 1
window=$(xdotool search --name "^Kestrelon Setup" | head -1)
for page in welcome components folder; do
    picture "Kestrelon Setup" "setup-$page"
    xdotool key --window "$window" Return
    sleep 1.5
done
sleep 3 # the installation itself
picture "Kestrelon Setup" setup-finished
xdotool key --window "$window" Return
wait "$setup_pid"
setup_pid=""

# The Start menu of wine's desktop shell: Start, Programs, Kestrelon.
wine explorer /desktop=shell,1024x768 >/dev/null 2>&1 &
shell_pid=$!
wait_for_window "shell - Wine desktop"
sleep 2
xdotool mousemove 20 760 click 1
sleep 1
xdotool mousemove 40 697
sleep 1
xdotool mousemove 130 696
sleep 1
import -window root "$work/screen.png"
convert "$work/screen.png" -crop 420x130+0+640 +repage "$out/setup-start-menu.png"
echo "setup_pictures.sh: $out/setup-start-menu.png"
