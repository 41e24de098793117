#!/usr/bin/env bash
# Runs one cross-built Qt Test under Wine as tests/run-isolated.sh runs one on
# Linux: offscreen, in the build's Wine prefix, with a Windows user profile of
# its own (the AppData that QStandardPaths and QSettings use) and its own
# TEMP, both removed afterwards.
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
temp="Z:${root//\//\\}\\temp"
USER=$user LOGNAME=$user WINETEMP=$temp WINETMP=$temp WINEQT_QPA_PLATFORM=offscreen \
    LC_ALL=C.UTF-8 LANG=C.UTF-8 "$@"
rc=$?
rm -rf "$root" "$WINEPREFIX/drive_c/users/$user"
exit $rc
