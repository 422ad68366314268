#!/usr/bin/env bash
# The Survival game of survival_high_score.sh on the EGL display, with two frames captured over the
# Current Map panel: the final results (their title, "KIA" once the ship is lost, the score line)
# and the name entry (its title and the place of the new row at the left edge). Skipped where no
# EGL display can be made.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
build=$1
printf '1\r\r\n1\r\r\n0\r\r\n0\r\r\nKES\r\r\n' > "$work/bin/record(-1).dat"
run_headless "$build" "$(cat "$(dirname "$0")/survival_game.script")"$'\n990 capture results.png\n1035 capture entry.png\n'
skip_without_egl
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }

expect_lit results.png "the title \"Final Results\"" 160 0 480 50 2000
expect_lit results.png "\"KIA\" at the bottom right" 570 440 640 480 300
expect_lit results.png "\"SCORE:\" at the bottom left" 0 440 140 480 600
expect_lit results.png "the dark top left" 0 0 150 50 0 0
expect_lit entry.png "the title \"High Score!\"" 170 0 470 50 2000
expect_lit entry.png "the place \"1\" of row 0" 0 156 30 196 60
echo "ok"
