#!/usr/bin/env bash
# Runs one end-to-end scenario of the real stowline.dll under Wine:
#   run-scenario.sh SCENARIO.sh
# Installs the packed add-in as a Notes user does (stowline.dll into the Notes program folder
# named by notes.ini's AddInMenus, Stowline.ini into the settings folder, Stowline.reg into the
# registry), loads the test mailbox into the stand-in, runs notes-host.exe on the scenario's
# script in a virtual display, and compares its transcript with the expected one. The scenario
# file sets HOST_SCRIPT and EXPECTED and may define prepare() (before the run), normalize()
# (a filter of the transcript before the comparison, for what varies from run to run) and
# check() (after it).
# Environment: WINE (the loader), WINEARCH, WINEPREFIX, NOTES_HOST, NNOTES_DLL, DIST_ZIP,
# SNAPSHOT, NOTES_MAILBOX, WORK_ROOT.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/skip-without-ia32.sh"
# Everything runs in one virtual display, and no Wine process outlives it: Wine's desktop
# process would otherwise stay bound to a display that is gone.
if [ -z "${STOWLINE_IN_XVFB:-}" ]; then
  export STOWLINE_IN_XVFB=1
  set +e
  timeout 170 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
  rc=$?
  timeout 30 wineserver -k 2>/dev/null
  exit $rc
fi
scenario=$1
name=$(basename "$scenario" .sh)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=UTC
C="$WINEPREFIX/drive_c"
work="$WORK_ROOT/$name"
failures=0

fail() { echo "FAIL [$name]: $*" >&2; failures=$((failures + 1)); }
winpath() { echo "Z:${1//\//\\}"; }
regedit_import() { timeout 60 "$WINE" regedit /S "$(winpath "$1")"; }
# Sets one key of a settings file (CRLF lines, as Windows writes them).
set_setting() {
  local file=$1 key=$2 value=$3
  sed -i "s|^$key=.*\r\$|$key=${value//\\/\\\\}\r|" "$file"
  grep -q "^$key=" "$file" || fail "set_setting: no key $key in $file"
}
# The archive tree below C:\Archive, one relative path per line.
archive_tree() { (cd "$C/Archive" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort); }
# True when every line of the file ends in CRLF.
crlf_only() { [ -s "$1" ] && ! LC_ALL=C grep -q $'[^\r]$\|^$' "$1"; }
mtime() { date -u -r "$1" '+%Y-%m-%d %H:%M:%S'; }
docs_left() { "$NOTES_MAILBOX" list "$C/Notes/mail.snapshot"; }
expect_eq() {  # what, expected, actual
  [ "$2" == "$3" ] || fail "$1: expected [$2], got [$3]"
}

rm -rf "$work"
mkdir -p "$work"
cd "$work"

# A fresh installation from the package.
rm -rf "$C/Notes" "$C/Stowline" "$C/Archive"
mkdir -p "$C/Notes" "$C/Stowline"
cmake -E tar xf "$DIST_ZIP"
package=$(basename "$DIST_ZIP" .zip)
mv "$package" Stowline
cp Stowline/stowline.dll "$NOTES_HOST" "$NNOTES_DLL" "$C/Notes/"
printf '[Notes]\r\nAddInMenus=stowline.dll\r\n' > "$C/Notes/notes.ini"
cp Stowline/Stowline.ini "$C/Stowline/"
printf 'REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Corvane]\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Corvane]\r\n' > forget.reg
regedit_import forget.reg
regedit_import Stowline/Stowline.reg
cp "$SNAPSHOT" "$C/Notes/mail.snapshot"

HOST_SCRIPT=""
EXPECTED=""
prepare() { :; }
normalize() { cat; }
check() { :; }
# shellcheck source=/dev/null
source "$scenario"
prepare
printf '%s\n' "$HOST_SCRIPT" > host.script
printf '%s\n' "$EXPECTED" > expected.txt

"$here/snap-watch.sh" &
watcher=$!
set +e
timeout 120 "$WINE" 'C:\Notes\notes-host.exe' "$(winpath "$work/host.script")" "$(winpath "$work/transcript.txt")"
rc=$?
set -e
kill $watcher 2>/dev/null || true
timeout 30 wineserver -w || true
echo "notes-host exit status $rc"
if [ ! -f transcript.txt ]; then
  fail "no transcript"
else
  normalize < transcript.txt > compared.txt
  diff -u expected.txt compared.txt || fail "transcript differs from the expected one"
fi
check
if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s); the run is kept in $work" >&2
  exit 1
fi
echo "PASS [$name]"
