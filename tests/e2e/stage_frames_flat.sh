#!/usr/bin/env bash
# The contact sheet's runs with fewer frames: every stage 0 to 17 in Dev Mode with God Mode on, and
# the title scene, headless on the EGL display, captured at ticks 100, 250 and 400 (each stage's
# opening: its ground, sky and first waves); the two cave stages, 6 and 11, whose walls and columns
# stand nearest the camera, run on to tick 1000, into their caves. No captured frame may have more
# than half of its playfield (above the HUD's panel) covered by one flat colour: a model in front of
# the camera hides the ship and the play. Skipped where no EGL display can be made.
set -euo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Four runs at once at most: ctest runs other tests beside this one, and each EGL run keeps its
# own software rasteriser threads and frame memory. The two long cave runs take one of the four.
set +e
KESTRUNE_SHEET_JOBS=1 KESTRUNE_SHEET_BUILD="$build" KESTRUNE_SHEET_TICKS="100 150 1000" \
  "$root/scripts/contact-sheet" "$work/late" 6 11 > "$work/late.txt" 2>&1 &
late=$!
KESTRUNE_SHEET_JOBS=3 KESTRUNE_SHEET_BUILD="$build" KESTRUNE_SHEET_TICKS="100 150 400" \
  "$root/scripts/contact-sheet" "$work/early" 0 1 2 3 4 5 7 8 9 10 12 13 14 15 16 17 title > "$work/early.txt" 2>&1
early_code=$?
wait $late
late_code=$?
set -e
cat "$work/early.txt" "$work/late.txt"
if grep -q 'no EGL display here' "$work/early.txt" "$work/late.txt"; then
  echo "skipped: no EGL display here"
  exit 77
fi
[ "$early_code" -eq 0 ] && [ "$late_code" -eq 0 ] || { echo "a contact-sheet run failed"; exit 1; }

frames=("$work"/early/frames/*.png "$work"/late/frames/*.png)
[ "${#frames[@]}" -eq $((17 * 3 + 2 * 7)) ] || { echo "expected 65 frames, found ${#frames[@]}"; exit 1; }
failed=0
for frame in "${frames[@]}"; do
  share=$("$build/tests/flat_probe" "$frame" 0 0 640 410)
  if [ "$share" -gt 50 ]; then
    echo "$(basename "$frame"): one flat colour covers $share% of the playfield"
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "ok"
