#!/usr/bin/env bash
# The installer's round trip under Wine, headless, in a Wine prefix of its own:
# a silent per-user install, an upgrade that keeps start at login off, the
# installed program's first lines, an upgrade over the running program that
# chooses start at login, uninstalls with the program running (the settings
# kept, then removed on request) and one that must stop because the program
# does not quit.
#
#   installer_round_trip.sh INSTALLER WINEPREFIX
set -u

installer=$1
export WINEPREFIX=$2 WINEARCH=win64 WINEDEBUG=-all
# No Mono/Gecko prompts, and no menu entries in the user's desktop for the shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
arp_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvoro Mixer'
profile=$WINEPREFIX/drive_c/users/$(id -un)
dir=$profile/AppData/Local/Programs/Zelvoro\ Mixer
menu=$profile/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Zelvoro\ Mixer
data=$profile/AppData/Roaming/ZelvoroDriver
program='C:\users\'$(id -un)'\AppData\Local\Programs\Zelvoro Mixer\ZelvoroDriver.exe'
log=$(mktemp)
failures=0

fail() {
    printf 'FAIL: %s\n' "$*"
    failures=$((failures + 1))
}

finish() {
    wineserver -k >/dev/null 2>&1
    rm -f "$log"
}
trap finish EXIT

[ -f "$installer" ] || { fail "no installer at $installer"; exit 1; }

# Only this prefix's server; a run that was cut short may have left one.
wineserver -k >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 180 wineboot --init >/dev/null 2>&1 && timeout 60 wineserver -w ||
        { fail "wineboot did not set up $WINEPREFIX"; exit 1; }
fi
# Wine's null display driver: windows without any X server.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# Leftovers of an interrupted run would hide what this run does.
rm -rf "$dir" "$menu" "$data" "$WINEPREFIX/drive_c/ZelvoroTest"
wine reg delete "$run_key" /v ZelvoroMixer /f >/dev/null 2>&1
wine reg delete "$arp_key" /f >/dev/null 2>&1

run_value() {
    wine reg query "$run_key" /v ZelvoroMixer 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *ZelvoroMixer *REG_SZ *//p'
}
# What the last install noted as the user's start-at-login answer.
noted_answer() {
    wine reg query "$arp_key" /v StartAtLogin 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *StartAtLogin *REG_DWORD *//p'
}
# Wine processes are named by their Windows paths; other Wine prefixes on the
# machine may run the same programs.
running() {
    local pid
    for pid in $(pgrep -f "${1:-^C:.*\\\\ZelvoroDriver\\.exe}"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
# The uninstaller runs from a copy of itself in the temporary folder and
# returns at once: wait for the copy to end.
uninstall() {
    timeout 60 wine "$1\\Uninstall.exe" /S "${@:2}" >/dev/null 2>&1 || fail "the uninstaller exited with $?"
    for _ in $(seq 600); do
        running '^C:.*\\~nsu[^\\]*\.tmp\\Un' || break
        sleep 0.1
    done
}

grep -aq 'requestedExecutionLevel level="asInvoker"' "$installer" || fail "the installer asks for elevation"

# --- silent per-user install, no start at login ------------------------------
started=$(date +%s)
timeout 120 wine "$installer" /S /AUTOSTART=0 >/dev/null 2>&1 || fail "the installer exited with $?"
printf 'installed in %d s\n' $(($(date +%s) - started))
for file in ZelvoroDriver.exe zelvoroctl.exe ZelvoroDriver_en_US.qm ZelvoroDriver_zh_CN.qm Uninstall.exe \
    LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [ -f "$dir/$file" ] || fail "not installed: $file"
done
[ -f "$menu/Zelvoro Mixer.lnk" ] || fail "no start menu shortcut"
wine reg query "$arp_key" /v UninstallString >/dev/null 2>&1 || fail "no Add/Remove Programs entry"
[ -z "$(run_value)" ] || fail "start at login without /AUTOSTART=1"

# --- an upgrade without /AUTOSTART keeps it off and does not ask ------------
timeout 120 wine "$installer" /S >/dev/null 2>&1 || fail "the upgrade without /AUTOSTART exited with $?"
[ -z "$(run_value)" ] || fail "the upgrade turned start at login on"
[ "$(noted_answer)" = 0x0 ] || fail "the upgrade would ask again: noted answer '$(noted_answer)', expected 0x0"

# --- the installed program starts and finds its translations beside it -----
# Qt prints its debug lines on stderr only when told to (WINEQT_ reaches it as QT_).
WINEQT_FORCE_STDERR_LOGGING=1 timeout 100 wine "$program" >"$log" 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -q 'Device PID: 0' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
grep -q 'Device PID: 0' "$log" || fail "the installed program did not reach its first device probe"
# The path is printed once when tried and once more when loaded.
loaded=$(grep -cF "$(printf '%s' "${program%\\*}" | tr '\\' /)/ZelvoroDriver_en_US.qm" "$log")
[ "$loaded" -eq 2 ] || fail "the installed translation was not loaded"
if [ "$failures" -ne 0 ]; then
    echo "--- the program's output:"
    tr -d '\r' <"$log" | head -n 40
fi

# --- upgrade over the running program, start at login chosen ----------------
mkdir -p "$data/snapshots"
echo '[Snapshot]' >"$data/snapshots/loud.ini"
touch -d 2001-01-01 "$dir/ZelvoroDriver.exe"
timeout 120 wine "$installer" /S /AUTOSTART=1 >/dev/null 2>&1 || fail "the upgrade exited with $?"
sleep 1
kill -0 "$pid" 2>/dev/null && fail "the running program did not quit for the upgrade"
[ -n "$(find "$dir/ZelvoroDriver.exe" -newermt 2002-01-01)" ] || fail "the upgrade did not replace the program"
[ "$(run_value)" = "\"$program\"" ] || fail "start at login: expected \"$program\", got '$(run_value)'"
for _ in $(seq 50); do running && break; sleep 0.1; done
running || fail "the upgrade did not start the new program"

# --- uninstall with the program running: the settings stay ------------------
uninstall "${program%\\*}"
[ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "start menu folder left behind"
wine reg query "$arp_key" >/dev/null 2>&1 && fail "Add/Remove Programs entry left behind"
[ -z "$(run_value)" ] || fail "start at login entry left behind: $(run_value)"
running && fail "the program still runs after the uninstall"
[ -f "$data/snapshots/loud.ini" ] || fail "the uninstall removed the settings"

# --- a program that does not quit stops the uninstall: nothing changes ------
# /D= and _?= take no quotes, hence a folder without spaces. Without its
# zelvoroctl the running program is not asked to quit.
timeout 120 wine "$installer" /S /AUTOSTART=1 '/D=C:\ZelvoroTest' >/dev/null 2>&1 || fail "the install to /D= exited with $?"
test_dir=$WINEPREFIX/drive_c/ZelvoroTest
mv "$test_dir/zelvoroctl.exe" "$test_dir/zelvoroctl.keep"
timeout 60 wine 'C:\ZelvoroTest\Uninstall.exe' /S '_?=C:\ZelvoroTest' >/dev/null 2>&1 &&
    fail "the uninstall succeeded while the program was running"
[ -f "$test_dir/ZelvoroDriver.exe" ] && [ -n "$(run_value)" ] || fail "the failed uninstall changed something"
running || fail "the program did not run on through the failed uninstall"

# --- with zelvoroctl back, the uninstall also removes the settings on request
mv "$test_dir/zelvoroctl.keep" "$test_dir/zelvoroctl.exe"
uninstall 'C:\ZelvoroTest' /PURGE=1
[ ! -e "$test_dir" ] || fail "left behind in C:\\ZelvoroTest: $(cd "$test_dir" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$data" ] || fail "/PURGE=1 left the settings behind"

if [ "$failures" -ne 0 ]; then
    printf '%d checks failed\n' "$failures"
    exit 1
fi
echo "installer round trip passed"
