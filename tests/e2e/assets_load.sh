#!/usr/bin/env bash
# A headless run from a fresh install loads the window icon, every mesh of the mesh table with its
# textures and every sound of the sound table from the res folder the build makes: "console.log"
# reports no file. With one mesh and one sound taken away, the next run reports exactly those two,
# which shows that the loaders did run.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
[ -f "$1/res/default.x" ] || { echo "no assets in $1/res"; exit 1; }
failures='Error loading icon|Failed Loading File|Error Opening File|Error Reading Data|D3DERR|D3DXERR|Insufficient memory|Textures Expired|Texture name too long|Sound System Disabled|DirectSound|Undefined snd'

run_headless "$1" $'3 close\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
[ -f console.log ] || { echo "console.log was not written"; exit 1; }
if grep -aE "$failures" console.log; then
  echo "the assets and their loaders disagree (above)"
  exit 1
fi

rm "$work/res/hud_02.x" "$work/res/miss_01.wav" console.log
KESTRUNE_HEADLESS=1 KESTRUNE_TIME=1000 KESTRUNE_SCRIPT="$work/script.txt" "./Kestrune PC" 2> /dev/null
reported=$(tr -d '\r' < console.log | grep -aE "$failures")
expected=$'Failed Loading File - ..\\res\\hud_02.x\nError Opening File ..\\res\\miss_01.wav'
[ "$reported" = "$expected" ] || { echo "reported:"; echo "$reported"; echo "expected:"; echo "$expected"; exit 1; }
echo "ok"
