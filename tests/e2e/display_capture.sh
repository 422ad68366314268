#!/usr/bin/env bash
# A headless run whose script captures a frame draws on the EGL display and writes the frame of
# that pass as a PNG of the display's size (640 x 480 by default). Skipped where no EGL display can
# be made.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
run_headless "$1" $'3 capture frame.png\n5 close\n'
skip_without_egl
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
[ -f frame.png ] || { echo "frame.png was not written"; exit 1; }
# The PNG signature, then the IHDR chunk's width and height (big-endian).
header=$(od -An -tx1 -N24 frame.png | tr -d ' \n')
[ "${header:0:16}" = "89504e470d0a1a0a" ] || { echo "not a PNG: $header"; exit 1; }
[ "${header:32:16}" = "00000280000001e0" ] || { echo "not 640 x 480: ${header:32:16}"; exit 1; }
echo "ok"
