#!/usr/bin/env bash
# A headless player starts Cast Mode from the main menu with fire, plays fifty passes holding fire,
# pauses with Esc, goes up to "Quit To Main", takes it, and leaves the main menu with Esc. Each
# step only quits at the pass planned when every earlier step led where it should (Esc anywhere
# else pauses, resumes or quits early), so the pass count checks the whole way. The program exits
# 0 with "prefs.cfg" saved; no game ended, so the record files are only read: the unlock file
# stays byte for byte as it was and no table file is written.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
unlocks=$'1\r\r\n0\r\r\n0\r\r\n0\r\r\nKES\r\r\n'
printf '%s' "$unlocks" > "$work/unlocks.dat"
cp "$work/unlocks.dat" "$work/bin/record(-1).dat"
script='# Space (fire) starts Cast Mode, the cursor standing on it
10 key 57 down
# ... and is held through fifty passes of play
60 key 57 up
# Esc pauses
70 key 1 down
71 key 1 up
# Up goes round to "Quit To Main"
80 key 200 down
81 key 200 up
# Space takes it: the main menu, over the title scene
90 key 57 down
91 key 57 up
# Esc leaves the main menu and the program
100 key 1 down
'
run_headless "$1" "$script"
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
passes=$(sed -n 's/^headless run: \([0-9]*\) passes, exit code 0$/\1/p' "$work/stderr.txt")
[ "$passes" = 100 ] || { echo "quit after ${passes:-no} passes, expected 100"; exit 1; }
[ -f prefs.cfg ] || { echo "prefs.cfg was not saved"; exit 1; }
grep -qa "windowed" prefs.cfg || { echo "prefs.cfg holds no settings"; exit 1; }
cmp -s "record(-1).dat" "$work/unlocks.dat" || { echo "record(-1).dat changed"; exit 1; }
for n in 0 1 2 3; do
  [ ! -e "record($n).dat" ] || { echo "record($n).dat was written"; exit 1; }
done
echo "ok"
