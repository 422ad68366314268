#!/usr/bin/env bash
# The game in a real window: SDL's X11 driver and Mesa's OpenGL under Xvfb with the openbox window
# manager, played with X key and mouse events (xdotool). Checks the window's title and client size,
# a capture of it (xwd) showing the main menu, applies of each display setting (resolution, full
# screen and back, vsync, anti-aliasing; 20 of each, or KESTRUNE_WINDOW_APPLIES) without an X error,
# that every anti-aliasing level the display options let through starts, a focus loss and regain
# during play (the automatic pause, then play again), the "Confirm Exit" box answered through X
# while the game window goes on answering the window manager (a second close request meanwhile
# changes nothing), and a quit from the main menu that saves prefs.cfg. Skipped (77) where Xvfb,
# openbox or the X tools are missing or no X server starts.
set -euo pipefail
build=$(cd "$1" && pwd)
applies=${KESTRUNE_WINDOW_APPLIES:-20}
for tool in Xvfb openbox xdotool xwd xwininfo xprop xev; do
  command -v "$tool" > /dev/null || { echo "skipped: no $tool here"; exit 77; }
done

work=$(mktemp -d)
helpers=()
cleanup() {
  for p in "${helpers[@]}"; do kill "$p" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- the game's standard error:"
  cat "$work/stderr.txt" 2> /dev/null | tail -40 || true
  [ -f "$work/bin/console.log" ] && { echo "--- console.log:"; tr -d '\r' < "$work/bin/console.log"; }
  exit 1
}
not() { ! "$@"; }
# Polls a condition every 50 ms for up to $1 seconds.
poll() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 20; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# ---- The desktop: Xvfb on a free display, then the window manager.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3> "$work/displayfd" > "$work/xvfb.log" 2>&1 &
helpers+=($!)
read -r -t 30 number < "$work/displayfd" || { cat "$work/xvfb.log"; echo "skipped: Xvfb did not start"; exit 77; }
export DISPLAY=:$number
unset WAYLAND_DISPLAY KESTRUNE_HEADLESS KESTRUNE_GFX KESTRUNE_SCRIPT SDL_VIDEODRIVER
XDG_CONFIG_HOME="$work/config" openbox --sm-disable > "$work/openbox.log" 2>&1 &
helpers+=($!)
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; }
poll 30 wm_up || fail "openbox did not start"

# ---- The game, from an install folder of its own.
mkdir "$work/bin"
cp "$build/bin/Kestrune PC" "$build/bin/prefs.cfg" "$work/bin/"
cp -r "$build/res" "$work/res"
cd "$work/bin"
# Under AddressSanitizer the run is checked for memory faults but not for leaks: at its end Mesa's
# GL driver has been unloaded (with the display SDL closes) before LeakSanitizer looks, so what the
# driver and D-Bus keep can be neither named nor suppressed. The headless runs check the game's own.
# (ldd is read whole first: under pipefail, grep -q leaving early can fail the pipe.)
libs=$(ldd "./Kestrune PC")
if grep -q libasan <<< "$libs"; then export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"; fi
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "./Kestrune PC" > "$work/stdout.txt" 2> "$work/stderr.txt" &
game=$!
helpers+=($game)
alive() { [ -r "/proc/$game/stat" ] && ! grep -q ') [ZX] ' "/proc/$game/stat"; }
title='Kestrune: PC V0.93'
find_window() { wid=$(xdotool search --name "^${title//./\\.}\$" 2> /dev/null | head -1) && [ -n "$wid" ]; }
poll 60 find_window || fail "no window titled \"$title\""
# Line by line: counted as the events come.
stdbuf -oL xev -id "$wid" -event structure -event focus > "$work/xev.txt" 2>&1 &
helpers+=($!)
count() {  # <pattern> <file>: how many lines match
  local n
  n=$(grep -c "$1" "$2" 2> /dev/null) || true
  echo "${n:-0}"
}
maps() { count '^MapNotify event' "$work/xev.txt"; }
more_maps() { [ "$(maps)" -gt "$1" ]; }
probe() { "$build/tests/xwd_probe" "$@"; }
capture() { xwd -id "$wid" -silent > "$1" 2> /dev/null; }
focused() { [ "$(xdotool getwindowfocus 2> /dev/null)" = "$wid" ]; }
# Waits until the game has shown $1 more frames: after three, a pass has polled the input since
# (the frame shown may lag its pass by one).
frames() {
  local n=$1 result=0
  shift
  "$build/tests/window_frames" "$wid" "$n" 60 "$game" || result=$?
  [ "$result" -ne 2 ] || fail "the game ended ($*)"
  [ "$result" -eq 0 ] || fail "the game does not draw in its window ($*)"
}
# The game plays on: its window has the focus, and passes run (past a menu's input lock).
settle() {
  poll 60 focused || fail "the window has no focus ($*)"
  frames 8 "$*"
}
# A key tapped; the same action is taken again only three passes after it was last taken.
key() {
  [ "$1" != "${last_key:-}" ] || frames 3 "key $1 again"
  xdotool key "$1"
  frames 3 "key $1"
  last_key=$1
}
size_is() { xwininfo -id "$wid" | grep -q "Width: $1\$" && xwininfo -id "$wid" | grep -q "Height: $2\$"; }
full_screen() { xprop -id "$wid" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }
windowed() { ! full_screen; }
expect_window() {  # <width> <height> <what>
  size_is "$1" "$2" && ! full_screen || fail "$3: the window is not a ${1} x ${2} window"
}

settle "start"
xprop -id "$wid" WM_NAME | grep -qF "= \"$title\"" || fail "the title: $(xprop -id "$wid" WM_NAME)"
expect_window 640 480 "start"
capture "$work/menu.xwd"
probe "$work/menu.xwd" "$work/menu.png" > /dev/null || fail "the capture cannot be read"
read -r red _ _ < <(probe "$work/menu.xwd" "$work/menu.png" 100 0 540 72)
read -r _ white _ < <(probe "$work/menu.xwd" "$work/menu.png" 250 108 390 132)
read -r red_below _ _ < <(probe "$work/menu.xwd" "$work/menu.png" 0 380 640 480)
echo "main menu: $red red pixels in the banner, $white white in \"Cast Mode\", $red_below red below the menu"
[ "$red" -ge 2000 ] && [ "$white" -ge 300 ] && [ "$red_below" -lt 200 ] || fail "the capture shows no main menu"

# ---- Display applies, each from the display options (entered on row 0) back to the options.
key Up
key space
key Down
key space
applied() {  # <maps before> <what>: the display was made anew (hidden and shown)
  poll 60 more_maps "$1" || fail "$2 was not applied"
  settle "$2"
  key space
}
modes=("640 480" "800 600" "1024 768" "1152 864")
for ((i = 0; i < applies; i++)); do
  m=$(maps)
  key Down
  key Right
  key Escape
  applied "$m" "resolution apply $((i + 1))"
  expect_window ${modes[$((i % 4))]} "resolution apply $((i + 1))"
done
last_mode="640 480"
((applies == 0)) || last_mode=${modes[$(((applies - 1) % 4))]}
for ((i = 0; i < (applies + 1) / 2 * 2; i++)); do  # an even number: back in a window at the end
  key Right
  key Escape
  if ((i % 2 == 0)); then
    poll 60 full_screen || fail "full screen apply $((i + 1)) shows no full-screen window"
  else
    poll 60 windowed || fail "window apply $((i + 1)) stays full screen"
  fi
  settle "full screen apply $((i + 1))"
  key space
done
expect_window $last_mode "after full screen and back"
for ((i = 0; i < applies; i++)); do
  m=$(maps)
  key Down
  key Down
  key Right
  key Escape
  applied "$m" "vsync apply $((i + 1))"
done
for ((i = 0; i < applies; i++)); do
  m=$(maps)
  key Up
  if ((i % 2 == 0)); then key Right; else key Left; fi
  key Escape
  applied "$m" "anti-aliasing apply $((i + 1))"
done
((applies % 2 == 0)) || { key Up; key Left; key Escape; settle "anti-aliasing off"; key space; }

# Every level the check lets through starts (no "Invalid Setting(s)" fallback); the rest are
# refused with their message and the screen stays.
refusals() { count 'Selected Antialiasing Level is Unsupported' console.log; }
more_refusals() { [ "$(refusals)" -gt "$1" ]; }
applied_or_refused() { more_maps "$1" || more_refusals "$2"; }
key Up
started="" refused=""
for level in 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
  m=$(maps) r=$(refusals)
  key Right
  key Escape
  poll 60 applied_or_refused "$m" "$r" || fail "anti-aliasing $level was neither applied nor refused"
  if [ "$(refusals)" -gt "$r" ]; then
    refused+=" $level"
  else
    started+=" $level"
    settle "anti-aliasing $level"
    ! xdotool search --name 'Invalid Setting' > /dev/null 2>&1 || fail "anti-aliasing $level fell back to the defaults"
    key space
    key Up
  fi
done
echo "anti-aliasing levels started:${started:- none}; refused:${refused:- none}"
[ -n "$refused" ] || fail "no anti-aliasing level was refused: this GL offers them all?"
m=$(maps)
key Right
key Escape
applied "$m" "anti-aliasing off"
key Escape
key Escape
settle "back in the main menu"

# ---- A game loses the focus and gets it back: "Paused" comes up where the HUD shows its messages,
# and once back the ship moves again at the arrow keys (which do not end a pause).
key Down
key space
settle "the game starts"
frames 50 "the mode's name fades"
read -r w h < <(echo "$last_mode")
region() {  # <name> <left> <top> <right> <bottom>: "<red> <white> <hash>" of a capture
  capture "$work/$1.xwd" || fail "no capture"
  probe "$work/$1.xwd" "$work/$1.png" "${@:2}"
}
message() { region "$1" $((w / 2 - w / 8)) $((h * 85 / 100)) $((w / 2 + w / 8)) $((h * 91 / 100)) | cut -d' ' -f2; }
[ "$(message before)" -lt 20 ] || fail "the HUD shows a message before the focus goes"
xev -name thief -geometry 60x60+0+0 > /dev/null 2>&1 &
thief=$!
helpers+=($thief)
poll 30 not focused || fail "the other window took no focus"
frames 4 "away"
paused_text=$(message away)
[ "$paused_text" -ge 100 ] || fail "no \"Paused\" when the focus went ($paused_text white pixels)"
kill "$thief"
xdotool windowactivate "$wid"
settle "the focus back"
ship() { region "$1" 0 $((h / 4)) $((w / 2)) $((h * 3 / 4)) | cut -d' ' -f3; }
still=$(ship back)
xdotool keydown Right
frames 10 "the ship moves"
xdotool keyup Right
[ "$still" != "$(ship moved)" ] || fail "the ship did not move once the focus came back"
echo "focus: \"Paused\" while away ($paused_text white pixels), playing again once back"

# ---- "Confirm Exit": the window manager's close (Alt+F4), then a click on the window's close button
# while the box waits; the window keeps answering, and No leaves the game running.
xdotool key alt+F4
box_window() { box=$(xdotool search --name '^Confirm Exit$' 2> /dev/null | head -1) && [ -n "$box" ]; }
poll 30 box_window || fail "no \"Confirm Exit\" box"
eval "$(xwininfo -id "$wid" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4}
                                   /Width:/ {print "w=" $2}')"
xdotool mousemove $((x + w - 12)) $((y - 10)) click 1
for ((i = 0; i < 16; i++)); do
  visible_name=$(xprop -id "$wid" _NET_WM_VISIBLE_NAME 2> /dev/null || true)
  [[ "$visible_name" != *"Not Responding"* ]] || fail "the window stopped answering: $visible_name"
  sleep 0.5
done
[ "$(xdotool search --name '^Confirm Exit$' | wc -l)" -eq 1 ] || fail "the second close request asked again"
eval "$(xwininfo -id "$box" | awk '/Absolute upper-left X/ {print "bx=" $4} /Absolute upper-left Y/ {print "by=" $4}
                                   /Width:/ {print "bw=" $2} /Height:/ {print "bh=" $2}')"
xdotool mousemove $((bx + bw / 2 + 45)) $((by + bh - 29)) click 1
poll 30 not box_window || fail "No did not close the box"
settle "No"
frames 10 "after No"
! box_window || fail "a close request made while the box was up asked again"
echo "Confirm Exit: answered No through X; the window kept answering"

# ---- Quit To Main, then back from the main menu: the quit that saves prefs.cfg.
key Escape
key Down
key Down
key Down
key space
settle "Quit To Main"
xdotool key Escape
poll 60 not alive || fail "the game did not quit from the main menu"
set +e
wait "$game"
code=$?
set -e
[ "$code" -eq 0 ] || fail "exit code $code"
prefs=$(tr -d '\r' < prefs.cfg)
for line in "windowed		= 1" "display_width		= ${last_mode% *}" "display_height		= ${last_mode#* }" \
            "vsync			= 1" "antialias		= 0"; do
  grep -qxF "$line" <<< "$prefs" || fail "prefs.cfg lacks \"$line\""
done
! grep -q 'X Error\|X error' "$work/stderr.txt" || fail "X errors"
echo "ok"
