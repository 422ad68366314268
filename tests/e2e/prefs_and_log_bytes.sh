#!/usr/bin/env bash
# The files and exit codes of the program's main paths, run after run in one install folder:
# 1. a first start (no "prefs.cfg") closed from the main menu: exit 0 after exactly 3 passes, a
#    "console.log" holding only the missing-prefs message and a "prefs.cfg" of the defaults, byte
#    for byte, both with the CR CR LF line ends of text mode;
# 2. a start with that "prefs.cfg" and an "autoexec.cfg": nothing printed (no "console.log"), and
#    the autoexec values written into the next "prefs.cfg";
# 3. a game in a window: each close asks "Exit Kestrune: PC?"; No plays on, Yes quits with 0;
# 4. a display that cannot be made: its box, no pass, exit code 1 and "prefs.cfg" left untouched.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
fail() { echo "FAIL: $*"; exit 1; }
build=$(cd "$1" && pwd)

# The 29 lines of a saved "prefs.cfg"; vsync and auto_fire as given.
expected_prefs() {
  local lines=(
    $'windowed\t\t= 1' $'display_width\t\t= 640' $'display_height\t\t= 480' $'display_format\t\t= 22'
    $'vsync\t\t\t= '"$1" $'antialias\t\t= 0' $'gradient_detail\t\t= 8' $'volume_effects\t\t= -3000'
    $'volume_music\t\t= -4000' $'sound_width\t\t= 1' $'sound_channels\t\t= 2' $'sound_samples\t\t= 44100'
    $'sound_bits\t\t= 16' $'auto_fire\t\t= '"$2" $'button_back_0\t\t= 1' $'button_fire_0\t\t= 57'
    $'button_missle_0\t\t= 28' $'button_up_0\t\t= 200' $'button_left_0\t\t= 203' $'button_down_0\t\t= 208'
    $'button_right_0\t\t= 205' $'button_back_1\t\t= 0' $'button_fire_1\t\t= 29' $'button_missle_1\t\t= 56'
    $'button_up_1\t\t= 17' $'button_left_1\t\t= 30' $'button_down_1\t\t= 31' $'button_right_1\t\t= 32'
    $'enable_di_devices\t= 1'
  )
  printf '%s\r\r\n' "${lines[@]}"
}

# same_bytes <file> <command writing the expected bytes...>
same_bytes() {
  local file=$1
  shift
  cmp -s "$file" <("$@") || { echo "$file differs:"; od -c "$file" | head -20; fail "$file is not byte for byte"; }
}

passes_were() {
  grep -qx "headless run: $1 passes, exit code $2" "$work/stderr.txt" || fail "expected $1 passes and exit code $2"
}

# 1. First start.
run_headless "$build" $'3 close\n'
[ "$code" -eq 0 ] || fail "first start: exit code $code"
passes_were 3 0
grep -qx 'message box \[Console Message\] Error loading prefs.cfg using default settings. -> ok' "$work/stderr.txt" ||
  fail "no Console Message box for the missing prefs.cfg"
same_bytes console.log printf '%s' $'Error loading prefs.cfg using default settings.\r\r\n'
same_bytes prefs.cfg expected_prefs 1 0

# 2. The saved prefs.cfg and an autoexec.cfg; losing and regaining the focus on the way.
printf 'vsync = 0\r\nAUTO_FIRE = 1\r\n' > autoexec.cfg
run_headless "$build" $'2 focus lost\n3 focus gained\n5 close\n'
[ "$code" -eq 0 ] || fail "second start: exit code $code"
passes_were 5 0
[ ! -e console.log ] || { od -c console.log; fail "the second start printed something"; }
grep -q 'message box' "$work/stderr.txt" && fail "the second start showed a box"
same_bytes prefs.cfg expected_prefs 0 1
rm autoexec.cfg

# 3. Cast Mode started with Space from the main menu, then two closes: No, then Yes.
run_headless "$build" $'10 key 57 down\n12 key 57 up\n30 close\nanswer no\n40 close\nanswer yes\n'
[ "$code" -eq 0 ] || fail "game: exit code $code"
passes_were 40 0
[ "$(grep -c '^message box \[Confirm Exit\] Exit Kestrune: PC? -> no$' "$work/stderr.txt")" = 1 ] ||
  fail "the first close was not asked and answered No"
[ "$(grep -c '^message box \[Confirm Exit\] Exit Kestrune: PC? -> yes$' "$work/stderr.txt")" = 1 ] ||
  fail "the second close was not asked and answered Yes"
same_bytes prefs.cfg expected_prefs 0 1

# 4. A display that cannot be made: the headless window has nothing for the SDL display to draw on.
cp prefs.cfg "$work/prefs.before"
export KESTRUNE_GFX=sdl SDL_VIDEODRIVER=dummy
run_headless "$build" $'3 close\n'
unset KESTRUNE_GFX SDL_VIDEODRIVER
[ "$code" -eq 1 ] || fail "failed display: exit code $code, expected 1"
passes_were 0 1
grep -q '^message box \[Error\] Video hardware not present or locked by another application -> ok$' \
  "$work/stderr.txt" || fail "no box for the display"
cmp -s prefs.cfg "$work/prefs.before" || fail "the failed start rewrote prefs.cfg"
[ ! -e console.log ] || fail "the failed start printed on the console"
echo "ok"
