#!/usr/bin/env bash
# A headless run whose script closes the window at pass 3 quits at once from the main menu:
# exit code 0 after exactly three passes, with "prefs.cfg" saved and "console.log" started afresh.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
printf 'old log\r\r\n' > "$work/bin/console.log"
run_headless "$1" $'# closes the window on the third pass\n3 close\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
grep -qx 'headless run: 3 passes, exit code 0' "$work/stderr.txt" || { echo "expected exactly 3 passes"; exit 1; }
[ -f prefs.cfg ] || { echo "prefs.cfg was not saved"; exit 1; }
if [ -f console.log ] && grep -q 'old log' console.log; then echo "console.log was not deleted at start"; exit 1; fi
echo "ok"
