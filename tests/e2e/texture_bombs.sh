#!/usr/bin/env bash
# Texture bombs: every texture of the game replaced by an 8192 x 8192 PNG or JPEG of a few hundred
# bytes (tests/fixtures/images, made by tests/fixtures/make-fixtures.sh). Each is refused from its
# header, with the console line of a texture that memory cannot hold, on the recording display and
# on the EGL one alike, and the game starts and quits normally within 2 GB of address space (the
# time it takes is the benchmark's to tell: no test here asserts one).
set -euo pipefail
source "$(dirname "$0")/headless.bash"
fixtures=$(cd "$(dirname "$0")/../fixtures/images" && pwd)
[ -f "$1/res/default.x" ] || { echo "no assets in $1/res"; exit 1; }
cp -r "$1/res" "$work/res"
names=()
for texture in "$work"/res/*.png "$work"/res/*.jpg; do
  cp "$fixtures/bomb.${texture##*.}" "$texture"
  names+=("$(basename "$texture")")
done
[ ${#names[@]} -ge 20 ] || { echo "only ${#names[@]} textures in $1/res"; exit 1; }
# Not under AddressSanitizer, which reserves far more address space than that at its start.
libs=$(ldd "$1/bin/Kestrune PC")
if ! grep -q libasan <<< "$libs"; then ulimit -v 2000000; fi
for gfx in record egl; do
  export KESTRUNE_GFX=$gfx
  run_headless "$1" $'3 close\n'
  if [ $gfx = egl ] && grep -q 'Video hardware not present' "$work/stderr.txt"; then
    echo "EGL part skipped: no EGL display here"
    continue
  fi
  [ "$code" -eq 0 ] || { echo "$gfx: exit code $code, expected 0"; exit 1; }
  log=$(tr -d '\r' < console.log)
  for name in "${names[@]}"; do
    grep -qxF "Insufficient memory to load: ..\\res\\$name" <<< "$log" ||
      { echo "$gfx: console.log lacks the refusal of $name"; echo "$log"; exit 1; }
  done
done
echo "ok"
