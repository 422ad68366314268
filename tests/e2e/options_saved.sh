#!/usr/bin/env bash
# A headless player opens the options from the main menu and changes a setting on each option
# screen: the effects volume down two steps and the music volume up one, Vsync off (leaving the
# display options makes the display anew), and the Up action's first key rebound to "I". Esc
# leaves each screen and at last the program, which saves "prefs.cfg" with the new values. Each
# step only quits at the pass planned when every earlier step led where it should.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
tap() { printf '%s key %s down\n%s key %s up\n' "$1" "$2" "$(($1 + 1))" "$2"; }
script=$(
  echo "# Up to \"Options\", fire opens it on \"Sound\""
  tap 10 200; tap 20 57; tap 30 57
  echo "# Sound: Left twice on the effects, Down, Right on the music, Esc"
  tap 40 203; tap 50 203; tap 60 208; tap 70 205; tap 80 1
  echo "# Down to \"Display\", fire; Down twice to \"Vsync\", Right, Esc"
  tap 90 208; tap 100 57; tap 110 208; tap 120 208; tap 130 205; tap 140 1
  echo "# Down to \"Controls\", fire; Down three times to Up's first key, fire, then I"
  tap 150 208; tap 160 57; tap 170 208; tap 180 208; tap 190 208; tap 200 57; tap 220 23
  echo "# Esc to the options, Esc to the main menu, Esc out"
  tap 230 1; tap 240 1
  echo "250 key 1 down"
)
run_headless "$1" "$script"$'\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
passes=$(sed -n 's/^headless run: \([0-9]*\) passes, exit code 0$/\1/p' "$work/stderr.txt")
[ "$passes" = 250 ] || { echo "quit after ${passes:-no} passes, expected 250"; exit 1; }
[ -f prefs.cfg ] || { echo "prefs.cfg was not saved"; exit 1; }
expect() {
  grep -qa "^$1"$'\t[\t]*= '"$2"$'\r\r$' prefs.cfg || { echo "prefs.cfg: no \"$1 = $2\""; cat -A prefs.cfg; exit 1; }
}
expect volume_effects -4000
expect volume_music -3500
expect vsync 0
expect button_up_0 23
expect button_up_1 17
expect windowed 1
echo "ok"
