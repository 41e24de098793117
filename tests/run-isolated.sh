#!/usr/bin/env bash
# Runs one test with its own HOME, XDG directories and TMPDIR, offscreen.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/zelvoro-test.XXXXXX")
chmod 700 "$root"
mkdir -m 700 -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/runtime" "$root/tmp"
export HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
       XDG_CACHE_HOME="$root/cache" XDG_RUNTIME_DIR="$root/runtime" TMPDIR="$root/tmp" \
       QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
"$@"
rc=$?
rm -rf "$root"
exit $rc
