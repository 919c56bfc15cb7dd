#!/usr/bin/env bash
# The Windows setup program under wine, in a fresh prefix, as an administrator would use it:
#  1. installs silently, over a system PATH longer than the setup program's own strings, then
#     over itself with the PATH option, then once more; checks the files, the Start menu
#     entries, the "Apps and features" entry and the PATH each time;
#  2. runs the installed programs: kestrelon.exe --version and --help, sgctl.exe, sgsim.exe and
#     edidinfo.exe --version, sgsim.exe --help (no POSIX-only option in it), sgctl.exe against
#     the installed sgsim.exe on a TCP port of the loopback address, and the console itself,
#     which keeps its address file in the user's application data and shows no message box; a
#     copy in a read-only folder does the same, one in a writable folder keeps the file beside
#     itself;
#  3. uninstalls silently and checks that nothing installed is left (files, Start menu, registry,
#     PATH entry) while the user's files are (SG.ini, the port map, a saved EDID file);
#  4. installs into a chosen folder (/D=) with the PATH option, runs sgctl through the PATH, and
#     uninstalls again.
#
#   tests/wine/check_installer.sh SETUP_EXE [SGSIM]
#
# SGSIM, the Linux emulator, is accepted for the callers that still give it and not used: the
# installed sgsim.exe serves the check. Prints what it does and checks; exits non-zero at the
# first check that fails. The prefix, the display, the wine server and the emulator are gone
# afterwards on every path.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 SETUP_EXE [SGSIM]" >&2
    exit 2
fi
if [ ! -f "$1" ]; then
    echo "check_installer.sh: $1 is missing; build it first" >&2
    exit 2
fi
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
version=$(basename "$setup" | sed -n 's/^kestrelon-\(.*\)-win64-setup\.exe$/\1/p')
if [ -z "$version" ]; then
    echo "check_installer.sh: $setup is not named kestrelon-VERSION-win64-setup.exe" >&2
    exit 2
fi

root=$(cd "$(dirname "$0")/../.." && pwd)
sim_pid=""
console_pid=""
. "$root/scripts/wine-session.sh"
wine_session_on_exit 'stop_helpers'
stop_helpers() {
    for pid in $console_pid $sim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    chmod -R u+w "${WINEPREFIX:-/nonexistent}/drive_c" 2>/dev/null || true
}

started=$(date +%s%N)
say() {
    printf '%6.1fs %s\n' "$(awk -v a="$started" -v b="$(date +%s%N)" 'BEGIN { print (b - a) / 1e9 }')" "$*"
}
fail() {
    say "FAILED: $*" >&2
    exit 1
}

wine_session_start check_installer
say "prefix ready: $WINEPREFIX"

drive_c="$WINEPREFIX/drive_c"
program_dir='C:\Program Files\Kestrelon'
program_unix="$drive_c/Program Files/Kestrelon"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kestrelon"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrelon'
environment_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
installed_files=(kestrelon.exe sgctl.exe sgsim.exe edidinfo.exe README.txt Uninstall.exe)

# The data of a registry value, empty when there is none ("reg query" writes the name, the type
# and the data four blanks apart).
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2    REG_[A-Z_]*    //Ip" | head -1
}
key_exists() {
    wine reg query "$1" >/dev/null 2>&1
}
expect_eq() { # WHAT ACTUAL EXPECTED
    if [ "$2" != "$3" ]; then
        fail "$1 is \"$2\", expected \"$3\""
    fi
    if [ ${#2} -gt 100 ]; then
        say "ok: $1 = \"...${2: -60}\" (${#2} characters)"
    else
        say "ok: $1 = \"$2\""
    fi
}
# Waits up to SECONDS for COMMAND to succeed.
wait_for() {
    local seconds=$1
    shift
    local end=$(($(date +%s) + seconds))
    until "$@"; do
        [ "$(date +%s)" -lt "$end" ] || return 1
        sleep 0.2
    done
}

appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
profile=$(winepath -u "$(wine cmd /c echo %USERPROFILE% | tr -d '\r')")

# A system PATH longer than the setup program's 1024-character strings: it must come out of
# install and uninstall whole.
path_before=$(reg_value "$environment_key" PATH)
[ -n "$path_before" ] || fail "the prefix has no system PATH"
system_path=$path_before # what uninstalling must leave
for i in $(seq 1 60); do
    system_path="$system_path;C:\\Vendor Tools\\Measurement Suite $i\\bin"
done
wine reg add "$environment_key" /v PATH /t REG_EXPAND_SZ /d "$system_path" /f >/dev/null
expect_eq "length of the seeded PATH" "$(reg_value "$environment_key" PATH | wc -c)" \
    "$((${#system_path} + 1))"

check_installed() { # FOLDER_UNIX FOLDER_WINDOWS
    for f in "${installed_files[@]}"; do
        [ -f "$1/$f" ] || fail "$2\\$f was not installed"
    done
    say "installed in $2:"
    (cd "$1" && ls -l | sed 's/^/        /')
    for link in "Kestrelon.lnk" "Kestrelon README.lnk"; do
        [ -f "$start_menu/$link" ] || fail "Start menu entry $link is missing"
    done
    say "ok: Start menu entries: $(cd "$start_menu" && ls | tr '\n' ' ')"
    expect_eq "DisplayName" "$(reg_value "$uninstall_key" DisplayName)" "Kestrelon"
    expect_eq "DisplayVersion" "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
    expect_eq "Publisher" "$(reg_value "$uninstall_key" Publisher)" "Kestrelon"
    expect_eq "InstallLocation" "$(reg_value "$uninstall_key" InstallLocation)" "$2"
    expect_eq "UninstallString" "$(reg_value "$uninstall_key" UninstallString)" \
        "\"$2\\Uninstall.exe\""
    expect_eq "DisplayIcon" "$(reg_value "$uninstall_key" DisplayIcon)" "$2\\kestrelon.exe,0"
}

check_removed() { # FOLDER_UNIX FOLDER_WINDOWS
    # A silent uninstaller copies itself to the temporary folder and works from there.
    wait_for 60 test ! -e "$1" || fail "$2 is still there: $(ls -A "$1" | tr '\n' ' ')"
    wait_for 30 eval '! key_exists "$uninstall_key"' || fail "the uninstall entry is still there"
    say "ok: $2 and the uninstall entry are gone"
    [ ! -e "$start_menu" ] || fail "the Start menu folder is still there"
    say "ok: the Start menu folder is gone"
    expect_eq "PATH after uninstalling (unchanged)" "$(reg_value "$environment_key" PATH)" \
        "$system_path"
}

# --- 1. Install silently, then over it with the PATH option, then over it once more.
say "installing: $(basename "$setup") /S ($(stat -c %s "$setup") bytes)"
wine "$setup" /S || fail "the setup program ended with status $?"
check_installed "$program_unix" "$program_dir"
expect_eq "AddedToPath" "$(reg_value "$uninstall_key" AddedToPath)" ""
expect_eq "PATH without the option (unchanged)" "$(reg_value "$environment_key" PATH)" \
    "$system_path"

say "installing over the installed version: /S /ADDTOPATH"
wine "$setup" /S /ADDTOPATH || fail "the setup program ended with status $?"
check_installed "$program_unix" "$program_dir"
expect_eq "AddedToPath" "$(reg_value "$uninstall_key" AddedToPath)" "0x1"
expect_eq "PATH with the option" "$(reg_value "$environment_key" PATH)" \
    "$system_path;$program_dir"

say "installing over the installed version: /S (the PATH choice is kept)"
wine "$setup" /S || fail "the setup program ended with status $?"
check_installed "$program_unix" "$program_dir"
expect_eq "AddedToPath" "$(reg_value "$uninstall_key" AddedToPath)" "0x1"
expect_eq "PATH after installing again (one entry)" "$(reg_value "$environment_key" PATH)" \
    "$system_path;$program_dir"

# --- 2. The installed programs.
expect_eq "kestrelon.exe --version" "$(wine "$program_unix/kestrelon.exe" --version | tr -d '\r')" \
    "kestrelon (Kestrelon) $version"
help=$(wine "$program_unix/kestrelon.exe" --help | tr -d '\r')
case "$help" in
"usage: kestrelon"*"--log FILE"*) say "ok: kestrelon.exe --help: $(echo "$help" | head -1)" ;;
*) fail "kestrelon.exe --help gave \"$help\"" ;;
esac
expect_eq "sgctl.exe --version" "$(wine "$program_unix/sgctl.exe" --version | tr -d '\r')" \
    "sgctl (Kestrelon) $version"
expect_eq "edidinfo.exe --version" "$(wine "$program_unix/edidinfo.exe" --version | tr -d '\r')" \
    "edidinfo (Kestrelon) $version"

expect_eq "sgsim.exe --version" "$(wine "$program_unix/sgsim.exe" --version | tr -d '\r')" \
    "sgsim (Kestrelon) $version"
help=$(wine "$program_unix/sgsim.exe" --help | tr -d '\r')
case "$help" in
*"--com "* | *"--ports-dir"* | *"pseudo-terminal"*) fail "sgsim.exe --help names POSIX-only options: $help" ;;
"usage: sgsim"*"--serial COMn"*) say "ok: sgsim.exe --help names --tcp and --serial, no POSIX-only option" ;;
*) fail "sgsim.exe --help gave \"$help\"" ;;
esac

# The installed emulator serves the installed sgctl.exe on a TCP port of the loopback address.
wine "$program_unix/sgsim.exe" --tcp 127.0.0.1:0 --log "$(winepath -w "$work/frames.log")" \
    >"$work/sgsim.out" 2>&1 &
sim_pid=$!
wait_for 60 grep -qs 'socket://' "$work/sgsim.out" ||
    fail "sgsim.exe did not start: $(cat "$work/sgsim.out")"
url=$(grep -o 'socket://[0-9.:]*' "$work/sgsim.out")
say "sgsim.exe: $(head -1 "$work/sgsim.out" | tr -d '\r')"
out=$(wine "$program_unix/sgctl.exe" --port "$url" set timing 27 | tr -d '\r') ||
    fail "sgctl.exe set timing 27 failed: $out"
say "ok: sgctl.exe --port $url set timing 27: $out"
status=$(wine "$program_unix/sgctl.exe" --port "$url" status --json | tr -d '\r')
echo "$status" | grep -q '"timing": 27,' || fail "status --json does not report timing 27: $status"
say "ok: sgctl.exe status --json reports timing 27 ($(grep -c . "$work/frames.log") frames in sgsim.exe's log)"
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

window_titled() {
    xwininfo -root -tree 2>/dev/null | grep -q "\"$1\""
}
# Starts the console in FOLDER_UNIX, waits for its main window and for its address file at
# EXPECTED, checks that no message box came up and that it made no other address file, and ends
# it.
run_console() { # FOLDER_UNIX EXPECTED_SG_INI UNEXPECTED_SG_INI
    rm -f "$2" "$3"
    wine "$1/kestrelon.exe" >"$work/console.out" 2>&1 &
    console_pid=$!
    wait_for 60 window_titled "Kestrelon Signal Generator V1.0" ||
        fail "the console's window did not open ($(cat "$work/console.out"))"
    wait_for 10 test -s "$2" || fail "no address file at $2"
    sleep 0.5
    if window_titled "Kestrelon"; then
        import -window root "$work/message-box.png" 2>/dev/null || true
        fail "the console showed a message box"
    fi
    kill "$console_pid"
    wait "$console_pid" 2>/dev/null || true
    console_pid=""
    expect_eq "size of $2" "$(stat -c %s "$2")" 290
    [ ! -e "$3" ] || fail "the console made $3 as well"
    say "ok: no message box, no address file at $3"
}

for folder in writable read-only; do
    copy="$drive_c/Kestrelon $folder"
    mkdir -p "$copy"
    cp "$program_unix/kestrelon.exe" "$copy/"
    if [ "$folder" = read-only ]; then
        chmod 0555 "$copy"
        say "a copy in a read-only folder:"
        run_console "$copy" "$appdata/kestrelon/SG.ini" "$copy/SG.ini"
        chmod 0755 "$copy"
    else
        say "a copy in a writable folder:"
        run_console "$copy" "$copy/SG.ini" "$appdata/kestrelon/SG.ini"
    fi
    rm -rf "$copy"
done
say "the installed console (Program Files):"
run_console "$program_unix" "$appdata/kestrelon/SG.ini" "$program_unix/SG.ini"

# --- 3. Uninstall; the user's files stay.
printf '[ports]\r\nCOM7=socket://127.0.0.1:4001\r\n' >"$appdata/kestrelon/ports.ini"
head -c 256 /dev/zero >"$profile/DerEra_EDID00.bin"
say "uninstalling: $program_dir\\Uninstall.exe /S"
wine "$program_unix/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
check_removed "$program_unix" "$program_dir"
for f in "$appdata/kestrelon/SG.ini" "$appdata/kestrelon/ports.ini" "$profile/DerEra_EDID00.bin"; do
    [ -f "$f" ] || fail "the user's $f was removed"
done
say "ok: the user's SG.ini, ports.ini and saved EDID file are still there"

# --- 4. A chosen folder (with a blank in its name) and the PATH option, on the prefix's own PATH
# (wine cuts a PATH of more than about 1000 characters when it gives a program its environment,
# so only a short one shows that the tools run through it). /D= takes the rest of the command
# line as it stands, so the command line is given whole, through cmd.
wine reg add "$environment_key" /v PATH /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null
system_path=$path_before # what uninstalling must leave
chosen='C:\Tools\Kestrelon Console'
chosen_unix="$drive_c/Tools/Kestrelon Console"
cp "$setup" "$drive_c/setup.exe"
say "installing: setup.exe /S /ADDTOPATH /D=$chosen"
wine cmd /c "C:\\setup.exe /S /ADDTOPATH /D=$chosen" || fail "the setup program ended with status $?"
rm -f "$drive_c/setup.exe"
check_installed "$chosen_unix" "$chosen"
[ ! -e "$program_unix" ] || fail "Program Files\\Kestrelon was made as well"
expect_eq "PATH with the option" "$(reg_value "$environment_key" PATH)" "$path_before;$chosen"
expect_eq "sgctl --version through the PATH" "$(wine cmd /c sgctl --version | tr -d '\r')" \
    "sgctl (Kestrelon) $version"
wine "$chosen_unix/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
check_removed "$chosen_unix" "$chosen"
say "the setup program works"
