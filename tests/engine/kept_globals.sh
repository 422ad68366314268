#!/usr/bin/env bash
# Every global variable of the engine and world libraries is put back by the engine tests' one
# reset: named in engine_state.cpp, or a mesh or sound slot (kept through their tables). A global
# missing there would carry one test's value into the next and make the tests pass only in order.
#   kept_globals.sh <engine library> <world library> <engine_state.cpp>
set -euo pipefail
names=$(objdump -t -C "$1" "$2" | awk '$2 == "g" && $4 ~ /^\.(bss|data)/ && $4 !~ /rel\.ro/ {print $NF}' | sort -u)
[ -n "$names" ] || { echo "no globals found in $1 and $2"; exit 1; }
missing=0
for name in $names; do
  case $name in
    mesh_* | snd_*) continue ;;
    __* | *.*) continue ;;  # the compiler's own, such as the sanitizers' markers
  esac
  if ! grep -qF "Keep($name)" "$3"; then
    echo "$name: not kept by the engine tests' reset (add it to $(basename "$3"))"
    missing=1
  fi
done
exit $missing
