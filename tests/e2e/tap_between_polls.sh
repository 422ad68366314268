#!/usr/bin/env bash
# A key pressed and released between two polls still counts: a Fire tapped within one pass on the
# main menu starts Cast Mode, so the close that follows asks "Exit Kestrune: PC?" as it does only
# in a game.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
fail() { echo "FAIL: $*"; exit 1; }
build=$(cd "$1" && pwd)

run_headless "$build" $'30 key 57 down\n30 key 57 up\n60 close\nanswer yes\n'
[ "$code" -eq 0 ] || fail "exit code $code"
grep -qx 'message box \[Confirm Exit\] Exit Kestrune: PC? -> yes' "$work/stderr.txt" ||
  fail "the tapped Fire started no game"
echo "ok"
