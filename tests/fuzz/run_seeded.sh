#!/usr/bin/env bash
# Runs a fuzz target from the game's own assets: copies <res>/*.<ext> into a fresh corpus folder
# (libFuzzer adds what it finds to the first folder it is given), then runs the target over it.
#   run_seeded.sh <target> <corpus folder> <res folder> <ext> <libFuzzer flags...>
set -euo pipefail
target=$1 corpus=$2 res=$3 ext=$4
shift 4
rm -rf "$corpus"
mkdir -p "$corpus"
cp "$res"/*."$ext" "$corpus"/
exec "$target" "$@" "$corpus"
