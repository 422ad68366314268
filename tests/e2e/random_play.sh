#!/usr/bin/env bash
# A headless player who presses the game's keys at random: with every mode open, each of eight
# seeded runs walks the menus, starts games, fires, steers, pauses, loses and regains the focus,
# types initials and changes settings, for up to 20000 passes, then closes the window (answering
# Yes should a game ask). Every run must end with exit code 0 (Esc in the main menu may end it
# early), leave "prefs.cfg" and any record file whole (CR CR LF lines, five in the unlock file,
# fifteen in a table), and a second start over those files must read them without complaint.
set -euo pipefail
source "$(dirname "$0")/headless.bash"

# Park-Miller steps stay exact in awk's doubles, so every awk makes the same script.
make_script() {
  awk -v seed="$1" -v last=20000 'BEGIN {
    s = seed
    split("57 57 57 57 28 28 200 200 203 205 205 208 208 16 17 18 30 31 32 44 45 46 14", keys, " ")
    n = 0; for (k in keys) n++
    p = 5
    while (p < last) {
      s = (s * 16807) % 2147483647; r = s % 1000
      if (r < 8) {
        print p " focus lost"; print (p + 5) " focus gained"; p += 6
      } else {
        # Esc is rare: in the main menu it ends the run.
        s = (s * 16807) % 2147483647; key = s % 300 == 0 ? 1 : keys[1 + int(s / 300) % n]
        s = (s * 16807) % 2147483647; hold = 1 + s % 40
        print p " key " key " down"; print (p + hold) " key " key " up"
      }
      s = (s * 16807) % 2147483647; p += 1 + s % 15
    }
    print last " close"
    print "answer yes"; print "answer yes"
  }'
}

check_lines() {  # <file> <lines expected, or 0 for any>
  local file=$1 want=$2 lines bare
  lines=$(grep -c $'\r\r$' "$file" || true)
  bare=$(tr -cd '\n' < "$file" | wc -c)
  [ "$lines" = "$bare" ] || { echo "$file: a line does not end CR CR LF"; exit 1; }
  [ "$want" = 0 ] || [ "$lines" = "$want" ] || { echo "$file: $lines lines, expected $want"; exit 1; }
}

for seed in 11 2024 90210 777777 31337 4242 123456 8675309; do
  rm -f "$work/bin/"*.cfg "$work/bin/"*.dat "$work/bin/console.log"
  printf '1\r\r\n1\r\r\n1\r\r\n1\r\r\nKES\r\r\n' > "$work/bin/record(-1).dat"
  echo "== seed $seed"
  run_headless "$1" "$(make_script "$seed")" > /dev/null
  tail -n 1 "$work/stderr.txt"
  [ "$code" -eq 0 ] || { tail -n 30 "$work/stderr.txt"; echo "seed $seed: exit code $code"; exit 1; }
  [ -f prefs.cfg ] || { echo "seed $seed: prefs.cfg was not saved"; exit 1; }
  check_lines prefs.cfg 0
  check_lines "record(-1).dat" 5
  for n in 0 1 2 3; do
    if [ -f "record($n).dat" ]; then check_lines "record($n).dat" 15; echo "record($n).dat written"; fi
  done
  run_headless "$1" $'3 close\nanswer yes\n' > /dev/null
  [ "$code" -eq 0 ] || { echo "seed $seed: the second start exited $code"; exit 1; }
  # The second start prints nothing about its files: every file it reads is whole. (Settings the
  # display screen refused are still saved by a close, and the next start falls back from them.)
  if [ -f console.log ] &&
     grep -a -v -x $'One or more preferences are not supported by video hardware. Running with default settings\r\r' console.log |
     grep -a -q .; then
    echo "seed $seed: the second start reports:"; cat console.log; exit 1
  fi
done
echo "ok"
