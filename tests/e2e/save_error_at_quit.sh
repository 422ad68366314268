#!/usr/bin/env bash
# "prefs.cfg" cannot be written (a folder holds its name): the quit still ends the program
# normally, and "Error saving prefs.cfg" reaches standard error as well as "console.log", since
# the on-screen line closes with the window.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
mkdir "$work/bin/prefs.cfg"
run_headless "$1" $'3 close\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
grep -qx 'Error saving prefs.cfg' "$work/stderr.txt" || { echo "no \"Error saving prefs.cfg\" on standard error"; exit 1; }
grep -qa $'^Error saving prefs.cfg\r\r$' console.log || { echo "no \"Error saving prefs.cfg\" in console.log"; exit 1; }
[ -d prefs.cfg ] || { echo "the folder named prefs.cfg was replaced"; exit 1; }
echo "ok"
