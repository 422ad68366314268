#!/usr/bin/env bash
# A fresh build's bin folder starts without any box: the build lays the default "prefs.cfg" there,
# written by the game's own configuration module and so byte for byte what the game writes for
# its defaults; the start and its quit leave it as it was. A rebuild lays it only where there is
# none, so a player's own settings stay.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
fail() { echo "FAIL: $*"; exit 1; }
build=$(cd "$1" && pwd)
lay="$(cd "$(dirname "$0")/../.." && pwd)/tools/lay_prefs.cmake"
default="$build/tools/prefs.cfg"

[ -f "$build/bin/prefs.cfg" ] || fail "the build laid no prefs.cfg into bin"
[ -f "$default" ] || fail "no default prefs.cfg in tools"

# 1. What the game itself writes for its defaults: a first start without the file, closed at once.
run_headless "$build" $'3 close\n'
[ "$code" -eq 0 ] || fail "start without prefs.cfg: exit code $code"
cmp -s prefs.cfg "$default" || { od -c prefs.cfg | head; fail "the default prefs.cfg is not what the game writes"; }
rm -f prefs.cfg console.log

# 2. The bin folder as the build lays it: the program and the default prefs.cfg.
cp "$default" prefs.cfg
run_headless "$build" $'3 close\n'
[ "$code" -eq 0 ] || fail "fresh bin folder: exit code $code"
grep -q 'message box' "$work/stderr.txt" && fail "the fresh bin folder showed a box"
[ ! -e console.log ] || { cat console.log; fail "the fresh bin folder printed on the console"; }
cmp -s prefs.cfg "$default" || fail "the start changed prefs.cfg"

# 3. Laying it: into a folder without one; never over a player's settings.
mkdir "$work/lay"
cmake -DFROM="$default" -DTO="$work/lay/prefs.cfg" -P "$lay"
cmp -s "$work/lay/prefs.cfg" "$default" || fail "not laid into an empty bin folder"
printf 'windowed = 0\r\n' > "$work/lay/prefs.cfg"
cmake -DFROM="$default" -DTO="$work/lay/prefs.cfg" -P "$lay"
[ "$(cat "$work/lay/prefs.cfg")" = $'windowed = 0\r' ] || fail "a player's prefs.cfg was overwritten"
echo "ok"
