#!/usr/bin/env bash
# Files no loader can hold whole: a mesh and a sound that are endless devices, a texture of 5 GB
# (sparse) and a "prefs.cfg" that is an endless device. The program reads each up to its bound,
# reports it as it reports any unreadable file, runs on with the defaults and quits normally,
# writing a fresh "prefs.cfg" in place of the device.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
[ -f "$1/res/default.x" ] || { echo "no assets in $1/res"; exit 1; }
cp -r "$1/res" "$work/res"
ln -sf /dev/zero "$work/res/hud_02.x"
ln -sf /dev/zero "$work/res/miss_01.wav"
rm "$work/res/metal_grey_01.jpg"
truncate -s 5G "$work/res/metal_grey_01.jpg"
ln -s /dev/zero "$work/bin/prefs.cfg"
# A run that would take the whole file in memory stops at this limit instead of taking the machine
# (not under AddressSanitizer, which reserves far more address space than that at its start).
# ldd is read whole first: under pipefail, grep -q leaving early can fail the pipe.
libs=$(ldd "$1/bin/Kestrune PC")
if ! grep -q libasan <<< "$libs"; then ulimit -v 4000000; fi
run_headless "$1" $'3 close\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
grep -q 'Error loading prefs.cfg using default settings.' "$work/stderr.txt" ||
  { echo "the endless prefs.cfg was not reported"; exit 1; }
log=$(tr -d '\r' < console.log)
for line in 'Failed Loading File - ..\res\hud_02.x' 'Error Opening File ..\res\miss_01.wav' \
  'D3DERR_INVALIDCALL: ..\res\metal_grey_01.jpg'; do
  grep -qxF "$line" <<< "$log" || { echo "console.log lacks: $line"; echo "$log"; exit 1; }
done
[ -f prefs.cfg ] && [ ! -L prefs.cfg ] || { echo "prefs.cfg was not saved as a file"; exit 1; }
grep -qa $'^display_width\t[\t]*= 640\r\r$' prefs.cfg || { echo "prefs.cfg does not hold the defaults"; cat -A prefs.cfg; exit 1; }
echo "ok"
