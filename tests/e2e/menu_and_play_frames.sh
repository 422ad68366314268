#!/usr/bin/env bash
# A headless run on the EGL display: the main menu over the title scene, then Cast Mode started
# with the fire key and played for a while. Both frames are captured and checked for what must be
# on them: the banner and the menu rows, then the player's ship at the left of the playfield and
# the HUD's counters. Skipped where no EGL display can be made.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
build=$1
run_headless "$build" $'12 capture menu.png\n20 key 57 down\n22 key 57 up\n70 capture play.png\n71 close\nanswer yes\n'
skip_without_egl
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }

expect_lit menu.png "the banner" 100 0 540 72 2000
expect_lit menu.png "\"Cast Mode\", the selected row" 250 108 390 132 300
expect_lit menu.png "\"Options\", the last row" 260 348 380 372 200
expect_lit play.png "the ship at the left" 30 190 110 250 150
expect_lit play.png "the gun level \"L-1\"" 370 430 440 465 60
echo "ok"
