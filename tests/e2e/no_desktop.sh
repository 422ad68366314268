#!/usr/bin/env bash
# Without a desktop (neither DISPLAY nor WAYLAND_DISPLAY, no SDL_VIDEODRIVER named) the windowed game
# does not run unseen on a driver that shows nothing: its display start fails as any failed display
# start does, the box's text on standard error since no box can show, exit code 1. scripts/run-game
# says so in one line instead of building and starting the game.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
fail() { echo "FAIL: $*"; cat "$work/stderr.txt" 2> /dev/null || true; exit 1; }
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
nowhere=(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u KESTRUNE_HEADLESS -u KESTRUNE_GFX)

cp "$build/bin/Kestrune PC" "$build/bin/prefs.cfg" "$work/bin/"
cp -r "$build/res" "$work/res"
cd "$work/bin"
set +e
"${nowhere[@]}" SDL_AUDIODRIVER=dummy timeout 120 "./Kestrune PC" > /dev/null 2> "$work/stderr.txt"
code=$?
set -e
[ "$code" -ne 124 ] || fail "the game ran on unseen"
[ "$code" -eq 1 ] || fail "exit code $code, expected 1"
grep -qxF 'message box [Error] Video hardware not present or locked by another application -> ok' "$work/stderr.txt" ||
  fail "no failed display start on standard error"
grep -q '^SDL video: no desktop' "$work/stderr.txt" || fail "standard error does not say why"

set +e
"${nowhere[@]}" timeout 60 "$root/scripts/run-game" > "$work/run.txt" 2>&1
code=$?
set -e
cat "$work/run.txt"
[ "$code" -eq 1 ] || fail "run-game: exit code $code, expected 1"
[ "$(wc -l < "$work/run.txt")" -eq 1 ] && grep -q 'no desktop' "$work/run.txt" || fail "run-game did not say it in one line"
echo "ok"
