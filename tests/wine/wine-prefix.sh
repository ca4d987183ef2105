#!/usr/bin/env bash
# Creates a fresh Wine prefix for the tests (under the build tree, never in $HOME), of the
# architecture WINEARCH (win32 or win64), with the Wine loader WINE.
set -euo pipefail
source "$(dirname "$0")/skip-without-ia32.sh"
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then timeout 30 wineserver -k 2>/dev/null || true; fi
rm -rf "$prefix"
mkdir -p "$prefix"
timeout 240 xvfb-run -a "$WINE" wineboot -i
timeout 120 wineserver -w
test -f "$prefix/system.reg"
