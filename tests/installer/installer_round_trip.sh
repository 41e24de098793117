#!/usr/bin/env bash
# The installer's round trip under Wine, headless, in a Wine prefix of its own:
# a silent install that chooses start at login, the installed program's first
# lines, then the silent uninstall.
#
#   installer_round_trip.sh INSTALLER WINEPREFIX
set -u

installer=$1
export WINEPREFIX=$2 WINEARCH=win64 WINEDEBUG=-all
# No Mono/Gecko prompts, and no menu entries in the user's desktop for the shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
dir=$WINEPREFIX/drive_c/Program\ Files/Zelvoro\ Mixer
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Zelvoro\ Mixer
program='C:\Program Files\Zelvoro Mixer\ZelvoroDriver.exe'
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
rm -rf "$dir" "$menu"
wine reg delete "$run_key" /v ZelvoroMixer /f >/dev/null 2>&1

run_value() {
    wine reg query "$run_key" /v ZelvoroMixer 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *ZelvoroMixer *REG_SZ *//p'
}

# --- silent install, start at login chosen --------------------------------
started=$(date +%s)
timeout 120 wine "$installer" /S /AUTOSTART=1 >/dev/null 2>&1 || fail "the installer exited with $?"
printf 'installed in %d s\n' $(($(date +%s) - started))
for file in ZelvoroDriver.exe ZelvoroDriver_en_US.qm ZelvoroDriver_zh_CN.qm Uninstall.exe; do
    [ -f "$dir/$file" ] || fail "not installed: $file"
done
[ -f "$menu/Zelvoro Mixer.lnk" ] || fail "no start menu shortcut"
value=$(run_value)
[ "$value" = "\"$program\"" ] || fail "start at login: expected \"$program\", got '$value'"

# --- the installed program starts and finds its translations beside it -----
# Qt prints its debug lines on stderr only when told to (WINEQT_ reaches it as QT_).
WINEQT_FORCE_STDERR_LOGGING=1 timeout 60 wine "$program" >"$log" 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -q 'Device PID: 0' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
grep -q 'Device PID: 0' "$log" || fail "the installed program did not reach its first device probe"
# The path is printed once when tried and once more when loaded.
loaded=$(grep -c 'C:/Program Files/Zelvoro Mixer/ZelvoroDriver_en_US.qm' "$log")
[ "$loaded" -eq 2 ] || fail "the installed translation was not loaded"
if [ "$failures" -ne 0 ]; then
    echo "--- the program's output:"
    tr -d '\r' <"$log" | head -n 40
fi
wine taskkill /f /im ZelvoroDriver.exe >/dev/null 2>&1
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

# --- silent uninstall -------------------------------------------------------
# The uninstaller runs from a copy of itself in the temporary folder and
# returns at once: wait for the folder to go.
started=$(date +%s)
uninstall='C:\Program Files\Zelvoro Mixer\Uninstall.exe'
timeout 60 wine "$uninstall" /S >/dev/null 2>&1 || fail "the uninstaller exited with $?"
for _ in $(seq 600); do
    [ -e "$dir" ] || break
    sleep 0.1
done
printf 'uninstalled in %d s\n' $(($(date +%s) - started))
[ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . -mindepth 1 | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "start menu folder left behind"
value=$(run_value)
[ -z "$value" ] || fail "start at login entry left behind: $value"

if [ "$failures" -ne 0 ]; then
    printf '%d checks failed\n' "$failures"
    exit 1
fi
echo "installer round trip passed"
