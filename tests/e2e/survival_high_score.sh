#!/usr/bin/env bash
# A headless player with "Survival" open starts it from the main menu and lets the ship be lost;
# the continue countdown shows the final results by itself, Enter (missile) ends the game, and the
# empty table gives it row 0: "K" is typed, Up steps the second letter of the last initials from
# E to F, Right moves on and "Z" is typed. The table comes up, Esc returns to the main menu and Esc
# leaves the program. Each step only quits at the pass planned when every earlier step led where
# it should, so the pass count checks the whole way; the record files then hold the new row and
# the new initials byte for byte, and no other table is written.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
printf '1\r\r\n1\r\r\n0\r\r\n0\r\r\nKES\r\r\n' > "$work/bin/record(-1).dat"
run_headless "$1" "$(cat "$(dirname "$0")/survival_game.script")"$'\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
passes=$(sed -n 's/^headless run: \([0-9]*\) passes, exit code 0$/\1/p' "$work/stderr.txt")
[ "$passes" = 1080 ] || { echo "quit after ${passes:-no} passes, expected 1080"; exit 1; }
empty=$'---\r\r\n-1\r\r\n-1\r\r\n'
expected_table=$'KFZ\r\r\n0\r\r\n0\r\r\n'"$empty$empty$empty$empty"
[ "$(od -An -c "record(1).dat")" = "$(printf '%s' "$expected_table" | od -An -c)" ] ||
  { echo "record(1).dat:"; od -c "record(1).dat"; exit 1; }
[ "$(od -An -c "record(-1).dat")" = "$(printf '1\r\r\n1\r\r\n0\r\r\n0\r\r\nKFZ\r\r\n' | od -An -c)" ] ||
  { echo "record(-1).dat:"; od -c "record(-1).dat"; exit 1; }
for n in 0 2 3; do
  [ ! -e "record($n).dat" ] || { echo "record($n).dat was written"; exit 1; }
done
[ -f prefs.cfg ] || { echo "prefs.cfg was not saved"; exit 1; }
echo "ok"
