#!/usr/bin/env bash
# Runs one cross-built Qt Test under Wine as tests/run-isolated.sh runs one on
# Linux: offscreen, in the build's Wine prefix, with a Windows user profile of
# its own (the AppData that QStandardPaths and QSettings use) and its own
# TEMP, both removed afterwards. Without a console Qt would send its debug
# lines and Qt Test's report to the debugger; QT_FORCE_STDERR_LOGGING keeps
# them on the standard streams. The offscreen platform reads its fonts from a
# directory (QT_QPA_FONTDIR): Wine's own Windows fonts (Tahoma, Courier...),
# which Windows programs under Wine get.
#
#   run-isolated.sh <wine prefix> <wine> <program.exe> [arguments...]
#
# Wine names the profile C:\users\<USER> after the USER variable. It does not
# pass QT_*, TEMP or TMP on to Windows programs; WINEQT_*, WINETEMP and WINETMP
# reach them without their WINE prefix.
set -u
export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
shift
unset DISPLAY WAYLAND_DISPLAY
root=$(mktemp -d "${TMPDIR:-/tmp}/zelvoro-wine-test.XXXXXX")
mkdir -m 700 "$root/temp"
user=zelvoro-test-${root##*.}
fonts=
for dir in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine-stable/share/wine/fonts; do
    [[ -f $dir/tahoma.ttf ]] && { fonts="Z:${dir//\//\\}"; break; }
done
temp="Z:${root//\//\\}\\temp"
cleanup() { rm -rf "$root" "$WINEPREFIX/drive_c/users/$user"; }
trap cleanup EXIT
trap 'exit 143' TERM INT
USER=$user LOGNAME=$user WINETEMP=$temp WINETMP=$temp LC_ALL=C.UTF-8 LANG=C.UTF-8 \
    WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR=$fonts "$@"
