#!/usr/bin/env bash
# The include roots hold the layering. Each row compiles a source of one #include with the
# include folders a library's own sources get (<flags folder>/<library>.flags, one flag a line)
# and checks that the header is found, or refused as not found, as the row says.
#   include_roots.sh <C++ compiler> <flags folder>
set -euo pipefail
compiler=$1
flags=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# library   header                   what the library's sources get
rows="
kplatform   platform/gfx.h           found
kplatform   world/game.h             refused
kplatform   engine/config.h          refused
kplatform   wave/wave.h              refused
kwave       wave/wave.h              found
kwave       platform/mmio.h          found
kwave       world/game.h             refused
kwave       engine/sound.h           refused
kworld      world/engine_services.h  found
kworld      engine/display.h         refused
kworld      platform/gfx.h           refused
kworld      wave/wave.h              refused
kengine     engine/display.h         found
kengine     world/game.h             found
kengine     wave/wave.h              found
kengine     platform/gfx.h           found
ksetup      setup/setup.h            found
ksetup      platform/ui/ui.h         found
ksetup      platform/shell.h         found
ksetup      engine/config.h          refused
ksetup      world/records.h          refused
"
failed=0
while read -r library header want; do
  [ -n "$library" ] || continue
  mapfile -t library_flags < "$flags/$library.flags"
  printf '#include "%s"\n' "$header" > "$work/probe.cpp"
  if "$compiler" -std=c++20 -fsyntax-only "${library_flags[@]}" "$work/probe.cpp" > "$work/errors.txt" 2>&1; then
    got=found
  elif grep -qF -e "$header: No such file" -e "'$header' file not found" "$work/errors.txt"; then
    got=refused  # gcc's and clang's words for it
  else
    got="broken for another reason"
  fi
  if [ "$got" != "$want" ]; then
    echo "$library including $header: $got, expected $want"
    cat "$work/errors.txt"
    failed=1
  fi
done <<< "$rows"
[ "$failed" -eq 0 ] && echo "ok"
exit "$failed"
