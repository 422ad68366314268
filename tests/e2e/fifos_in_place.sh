#!/usr/bin/env bash
# FIFOs in place of the files the game reads (its settings, its records, meshes, a PNG and a JPEG
# texture, a sound, the icon) do not hang it: a headless run starts, plays its passes and quits as
# the same run does with those files missing, with the same console lines and the same saved
# prefs.cfg. A FIFO as the script ends the program as an unreadable script does. Each run has a
# time limit, so that a reader that waits fails the test instead of hanging it.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
[ -f "$1/res/default.x" ] || { echo "no assets in $1/res"; exit 1; }
fail() { echo "FAIL: $*"; exit 1; }
files=(bin/prefs.cfg bin/autoexec.cfg "bin/record(-1).dat" "bin/record(0).dat" res/default.x res/hud_02.x
       res/afterburn_01.png res/bark_01.jpg res/miss_01.wav res/parent.ico)

run_headless "$1" $'3 close\n' > /dev/null
[ "$code" -eq 0 ] || fail "the run with every file: exit code $code"
for f in "${files[@]}"; do [ "${f#bin/}" != "$f" ] || [ -f "$work/$f" ] || fail "the build made no $f"; done
run() {  # <what>: runs the program from bin under a time limit; leaves $code, console.log and prefs.cfg
  rm -f console.log prefs.cfg
  set +e
  KESTRUNE_HEADLESS=1 KESTRUNE_TIME=1000 KESTRUNE_SCRIPT="$work/script.txt" timeout 120 "./Kestrune PC" \
    2> "$work/$1.err"
  code=$?
  set -e
  [ "$code" -ne 124 ] || fail "$1: the run hung"
}

for f in "${files[@]}"; do rm -f "$work/$f"; done
run missing
missing_code=$code
cp console.log "$work/missing.log"
cp prefs.cfg "$work/missing.prefs"
# What the missing files cost, so that the comparison below is not one of two empty logs.
for line in 'Error loading prefs.cfg using default settings.' 'Failed Loading File - ..\res\hud_02.x' \
  'D3DERR_INVALIDCALL: ..\res\afterburn_01.png' 'D3DERR_INVALIDCALL: ..\res\bark_01.jpg' \
  'Error Opening File ..\res\miss_01.wav' 'Error loading icon'; do
  tr -d '\r' < "$work/missing.log" | grep -qxF "$line" || fail "missing files: no line \"$line\""
done

for f in "${files[@]}"; do rm -f "$work/$f"; mkfifo "$work/$f"; done
run fifos
[ "$code" -eq "$missing_code" ] || fail "FIFOs: exit code $code, with the files missing $missing_code"
if ! cmp -s "$work/missing.log" console.log; then
  diff <(tr -d '\r' < "$work/missing.log") <(tr -d '\r' < console.log) || true
  fail "FIFOs: console.log differs"
fi
cmp "$work/missing.prefs" prefs.cfg || fail "FIFOs: the saved prefs.cfg differs"
# The quit saved prefs.cfg over its FIFO; nothing else was written over the others.
for f in "${files[@]:1}"; do [ -p "$work/$f" ] || fail "FIFOs: $f was replaced"; done

# A FIFO as the script: the fault on standard error and exit code 2, before anything starts.
mkfifo "$work/fifo.script"
set +e
KESTRUNE_HEADLESS=1 KESTRUNE_SCRIPT="$work/fifo.script" timeout 120 "./Kestrune PC" 2> "$work/script.err"
code=$?
set -e
[ "$code" -ne 124 ] || fail "script FIFO: the run hung"
[ "$code" -eq 2 ] || fail "script FIFO: exit code $code"
grep -qxF "KESTRUNE_SCRIPT: $work/fifo.script: cannot be read" "$work/script.err" ||
  fail "script FIFO: $(cat "$work/script.err")"
echo "ok"
