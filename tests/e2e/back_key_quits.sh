#!/usr/bin/env bash
# A headless run that holds Esc (the back key) from pass 2 leaves the main menu, and with it the
# program, as soon as the menu's entry lock is over: exit code 0 within a few passes (not by the
# idle close request), with "prefs.cfg" saved.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
run_headless "$1" $'# Esc down from the second pass on\n2 key 1 down\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
passes=$(sed -n 's/^headless run: \([0-9]*\) passes, exit code 0$/\1/p' "$work/stderr.txt")
[ -n "$passes" ] || { echo "no pass count"; exit 1; }
[ "$passes" -le 20 ] || { echo "quit after $passes passes: the back key was not seen"; exit 1; }
[ -f prefs.cfg ] || { echo "prefs.cfg was not saved"; exit 1; }
echo "ok"
