#!/usr/bin/env bash
# Installs from a small medium with the setup program, headless: the copied files, the shortcut,
# the final question, the failures, installing again, and the game started from its bin folder on Yes.
set -euo pipefail
build=$(cd "$1" && pwd)
setup="$build/setup/Setup_KTRN01"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

medium="$work/medium"
mkdir -p "$medium/bin/sub" "$medium/res"
printf 'game' > "$medium/bin/readme.txt"
printf 'nested' > "$medium/bin/sub/ignored.txt"
printf 'icon' > "$medium/res/parent.ico"
# A stand-in game that tells where it was started from.
cat > "$medium/bin/Kestrune PC" <<'GAME'
#!/bin/sh
pwd > "$MARK"
GAME
chmod +x "$medium/bin/Kestrune PC"

export KESTRUNE_HEADLESS=1 XDG_DATA_HOME="$work/data" MARK="$work/started"

# 1. Default destination, answer No: files copied, no subfolders, shortcut saved, game not started.
cat > "$work/no.script" <<'SCRIPT'
dialog 102 press 1
answer no
SCRIPT
(cd "$medium" && KESTRUNE_SCRIPT="$work/no.script" "$setup") 2> "$work/no.err" || fail "setup exited nonzero"
dest="$work/data/Kestrune PC"
[ -f "$dest/bin/readme.txt" ] || fail "bin not copied"
[ -x "$dest/bin/Kestrune PC" ] || fail "program not copied runnable"
[ -f "$dest/res/parent.ico" ] || fail "res not copied"
[ ! -e "$dest/bin/sub" ] || fail "a subfolder was copied"
grep -q "edit 1001 = \"$medium\"" "$work/no.err" || fail "source not shown"
grep -q "edit 1000 = \"$dest\"" "$work/no.err" || fail "default destination not shown"
grep -qx "message box \[Installation Complete\] Installation is complete. Run the game now? -> no" "$work/no.err" ||
  fail "no final question"
link="$work/data/applications/Kestrune/Kestrune.desktop"
[ -f "$link" ] || fail "no shortcut"
desktop-file-validate "$link" || fail "the shortcut is not a valid desktop entry: $(cat "$link")"
grep -qx "Exec=\"$dest/bin/Kestrune PC\"" "$link" || fail "shortcut target: $(cat "$link")"
grep -qx "Path=$dest/bin" "$link" || fail "shortcut working folder"
grep -qx "Icon=$dest/res/parent.ico" "$link" || fail "shortcut icon"
grep -qx "Name=Kestrune" "$link" || fail "shortcut name"
[ ! -e "$MARK" ] || fail "game started after No"

# 2. A typed destination, answer Yes: the game starts from the installed bin folder.
cat > "$work/yes.script" <<SCRIPT
dialog 102 set 1000 $work/my games
dialog 102 press 1
answer yes
SCRIPT
(cd "$medium" && KESTRUNE_SCRIPT="$work/yes.script" "$setup") 2> "$work/yes.err" || fail "setup exited nonzero"
[ -f "$work/my games/bin/readme.txt" ] || fail "typed destination not used"
[ "$(cat "$MARK")" = "$work/my games/bin" ] || fail "game not started from its bin folder"

# 3. A medium without bin: only the failure box, no shortcut.
rm -rf "$work/data/applications"
mkdir -p "$work/empty/res"
(cd "$work/empty" && KESTRUNE_SCRIPT="$work/no.script" "$setup") 2> "$work/empty.err" || fail "setup exited nonzero"
failed="message box [Installation Failed] There was a problem while installing the game. -> ok"
grep -qxF "$failed" "$work/empty.err" || fail "no failure box"
grep -q "Run the game now" "$work/empty.err" && fail "question asked after a failure"
[ ! -e "$work/data/applications/Kestrune/Kestrune.desktop" ] || fail "shortcut made after a failure"

# 3b. Other failures: the same box, no question, no shortcut; files already copied stay.
# A medium without res (bin is copied first); a destination under a file; a cleared destination
# and a source folder that cannot be read, which would otherwise name the root's bin and res.
mkdir -p "$work/nores/bin"
printf 'probe' > "$work/nores/bin/kestrune-setup-probe.txt"
printf 'a file' > "$work/blocker"
expect_failure() {  # <what> <medium folder> <script lines...>
  local what=$1 from=$2
  shift 2
  printf '%s\n' "$@" > "$work/fail.script"
  (cd "$from" && KESTRUNE_SCRIPT="$work/fail.script" "$setup") 2> "$work/fail.err" || fail "$what: exited nonzero"
  grep -qxF "$failed" "$work/fail.err" || fail "$what: no failure box"
  grep -q "Run the game now" "$work/fail.err" && fail "$what: question asked after a failure"
  [ ! -e "$work/data/applications/Kestrune/Kestrune.desktop" ] || fail "$what: shortcut made after a failure"
  [ ! -e /bin/kestrune-setup-probe.txt ] || { rm -f /bin/kestrune-setup-probe.txt; fail "$what: copied into /bin"; }
}
expect_failure "no res" "$work/nores" "dialog 102 set 1000 $work/partial" "dialog 102 press 1"
[ -f "$work/partial/bin/kestrune-setup-probe.txt" ] || fail "no res: the copied bin was undone"
expect_failure "unreachable destination" "$medium" "dialog 102 set 1000 $work/blocker/games" "dialog 102 press 1"
expect_failure "cleared destination" "$work/nores" "dialog 102 set 1000" "dialog 102 press 1"
deep="$work/deep/$(printf 'a%.0s' {1..200})"
mkdir -p "$deep"
expect_failure "destination cut short" "$medium" "dialog 102 set 1000 $deep/$(printf 'b%.0s' {1..100})" \
  "dialog 102 press 1"
[ -z "$(ls -A "$deep")" ] || fail "destination cut short: a folder was made"
mkdir -p "$work/gone"
(cd "$work/gone" && rmdir "$work/gone" && KESTRUNE_SCRIPT="$work/no.script" "$setup") 2> "$work/fail.err" ||
  fail "unreadable source: exited nonzero"
grep -q 'edit 1001 = ""' "$work/fail.err" || fail "unreadable source: a source was shown"
grep -qxF "$failed" "$work/fail.err" || fail "unreadable source: no failure box"
[ ! -e "$work/data/Kestrune PC/bin/ls" ] || fail "unreadable source: the root's bin was copied"

# 3c. Installing again overwrites without a question and saves the shortcut again; the source
# box cannot be changed; the About box opens from the system menu.
printf 'game 2' > "$medium/bin/readme.txt"
cat > "$work/again.script" <<SCRIPT
dialog 102 press 16
dialog 102 set 1001 $work/nores
dialog 102 press 1
answer no
SCRIPT
(cd "$medium" && KESTRUNE_SCRIPT="$work/again.script" "$setup") 2> "$work/again.err" || fail "setup exited nonzero"
grep -qx '\[dialog 100\] "About"' "$work/again.err" || fail "no About box"
[ "$(cat "$dest/bin/readme.txt")" = "game 2" ] || fail "not overwritten"
[ ! -e "$dest/bin/kestrune-setup-probe.txt" ] || fail "the disabled source box was changed"
[ -f "$link" ] || fail "shortcut not saved again"
[ "$(grep -c "message box" "$work/again.err")" = 1 ] || fail "asked more than the final question"

# 3d. Yes when the game cannot be started: the installer just ends.
mkdir -p "$work/nogame/bin" "$work/nogame/res"
printf 'x' > "$work/nogame/bin/readme.txt"
printf 'icon' > "$work/nogame/res/parent.ico"
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer yes\n' "$work/nogame-dest" > "$work/nogame.script"
(cd "$work/nogame" && KESTRUNE_SCRIPT="$work/nogame.script" "$setup") 2> "$work/nogame.err" ||
  fail "setup exited nonzero when the game cannot start"
grep -q "Run the game now? -> yes" "$work/nogame.err" || fail "no Yes to the final question"

# 3e. A data folder too long to hold the Start menu's folder: installed and asked, no shortcut
# (and none at the root).
long="$work/long"
while [ ${#long} -lt 250 ]; do long="$long/xxxxxxxx"; done
long=${long:0:250}
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$work/short" > "$work/long.script"
(cd "$medium" && XDG_DATA_HOME="$long" KESTRUNE_SCRIPT="$work/long.script" "$setup") 2> "$work/long.err" ||
  fail "setup exited nonzero with a long data folder"
[ -f "$work/short/bin/readme.txt" ] || fail "long data folder: not installed"
grep -q "Run the game now? -> no" "$work/long.err" || fail "long data folder: no final question"
[ ! -e /Kestrune ] || { rm -rf /Kestrune; fail "long data folder: a shortcut folder at the root"; }

# 4. Cancel does nothing on disk, not even the data folder of a fresh account.
rm -rf "$work/data"
printf 'dialog 102 press 2\n' > "$work/cancel.script"
(cd "$medium" && KESTRUNE_SCRIPT="$work/cancel.script" "$setup") 2> /dev/null || fail "setup exited nonzero"
[ ! -e "$work/data" ] || fail "cancel made $(find "$work/data")"

# 5. Destinations that are refused with a message, the dialog staying open: nothing is copied and
# the medium is left as it was.
snapshot() { (cd "$1" && find . -printf '%p %y %s %m\n' | sort); }
before=$(snapshot "$medium")
refused() {  # <what> <destination as typed> <message>
  printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$2" > "$work/refused.script"
  (cd "$medium" && KESTRUNE_SCRIPT="$work/refused.script" "$setup") 2> "$work/refused.err" ||
    fail "$1: exited nonzero"
  grep -qxF "message box [Kestrune: PC - Setup] $3 -> ok" "$work/refused.err" || fail "$1: no refusal: $(cat "$work/refused.err")"
  grep -q "Installation" "$work/refused.err" && fail "$1: installed"
  [ "$(snapshot "$medium")" = "$before" ] || fail "$1: the medium changed"
}
relative="Please enter the full path of the destination folder."
inside="The game cannot be installed into its own source folder."
refused "relative" relinst "$relative"
refused "relative with a separator" "games\\kestrune" "$relative"
refused "the medium" "$medium" "$inside"
refused "the medium with a slash" "$medium/" "$inside"
refused "the medium's bin" "$medium/bin" "$inside"
refused "inside the medium's res" "$medium/res/games" "$inside"
refused "the medium by another way" "$medium/bin/../res/.." "$inside"
ln -s "$medium" "$work/medium-link"
refused "the medium through a link" "$work/medium-link" "$inside"
# Names a desktop entry cannot hold, so that its shortcut would start nothing.
name="The destination folder's name holds characters that cannot be used. Please choose another folder."
refused "a name that is not UTF-8" "$work/"$'\xff\xfe' "$name"
refused "control characters" "$work/"$'\x01\x1b' "$name"
refused "an overlong UTF-8 form" "$work/"$'\xc0\xaf' "$name"
refused "a C1 control character" "$work/a"$'\xc2\x85' "$name"
[ ! -e "$work/"$'\xff\xfe' ] && [ ! -e "$work/"$'\x01\x1b' ] || fail "a refused name was made"
# The dialog stays open after a refusal: a second destination is installed.
printf 'dialog 102 set 1000 relinst\ndialog 102 press 1\ndialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' \
  "$work/second" > "$work/second.script"
(cd "$medium" && KESTRUNE_SCRIPT="$work/second.script" "$setup") 2> "$work/second.err" || fail "second: exited nonzero"
grep -qF "$relative" "$work/second.err" || fail "second: no refusal first"
[ -f "$work/second/bin/readme.txt" ] || fail "second: not installed after the refusal"

# 6. What the copy takes and how: regular files only (never a link), made writable by their owner,
# through temporary files that neither collide with the medium's names nor write through a link.
m="$work/m6"
mkdir -p "$m/bin" "$m/res"
printf 'secret' > "$work/secret"
printf 'read only' > "$m/bin/locked.txt"
chmod 0444 "$m/bin/locked.txt"
printf 'setuid' > "$m/bin/tool"
chmod 4755 "$m/bin/tool"
ln -s "$work/secret" "$m/bin/link.txt"
ln -s "$work/nothing" "$m/bin/dangling.txt"
# Two pairs made in either order, so that one pair meets a copy's temporary name whatever order
# the folder lists them in.
printf 'a' > "$m/bin/a.wav"; printf 'a part' > "$m/bin/a.wav.part"
printf 'b part' > "$m/bin/b.wav.part"; printf 'b' > "$m/bin/b.wav"
printf 'icon' > "$m/res/parent.ico"
printf 'default prefs' > "$m/bin/prefs.cfg"
d="$work/d6"
mkdir -p "$d/bin"
printf 'outside' > "$work/outside"
for name in tool prefs.cfg; do ln -s "$work/outside" "$d/bin/$name.part"; done
ln -s "$work/outside" "$d/bin/a.wav"
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$d" > "$work/d6.script"
(cd "$m" && KESTRUNE_SCRIPT="$work/d6.script" "$setup") 2> "$work/d6.err" || fail "copy: exited nonzero"
grep -q "Installation is complete" "$work/d6.err" || fail "copy: not complete: $(cat "$work/d6.err")"
[ "$(cat "$work/outside")" = outside ] || fail "copy: wrote through a link"
[ ! -e "$d/bin/link.txt" ] && [ ! -L "$d/bin/link.txt" ] || fail "copy: a link was followed"
[ ! -e "$d/bin/dangling.txt" ] && [ ! -L "$d/bin/dangling.txt" ] || fail "copy: a dangling link was copied"
for pair in "a.wav:a" "a.wav.part:a part" "b.wav:b" "b.wav.part:b part" "locked.txt:read only" "prefs.cfg:default prefs"; do
  [ "$(cat "$d/bin/${pair%%:*}" 2>/dev/null)" = "${pair#*:}" ] || fail "copy: ${pair%%:*} lost"
done
[ ! -L "$d/bin/a.wav" ] || fail "copy: a link left in place of a file"
[ "$(stat -c %a "$d/bin/locked.txt")" = 644 ] || fail "copy: a read-only file installed as $(stat -c %a "$d/bin/locked.txt")"
[ "$(stat -c %a "$d/bin/tool")" = 755 ] || fail "copy: set-user-id kept: $(stat -c %a "$d/bin/tool")"
# Installing again over it replaces the files, but keeps the player's settings.
printf 'locked 2' > "$work/l2"; cp "$work/l2" "$m/bin/locked.txt" 2>/dev/null || { chmod u+w "$m/bin/locked.txt"; cp "$work/l2" "$m/bin/locked.txt"; chmod 0444 "$m/bin/locked.txt"; }
printf 'player prefs' > "$d/bin/prefs.cfg"
(cd "$m" && KESTRUNE_SCRIPT="$work/d6.script" "$setup") 2> "$work/d6.err" || fail "again: exited nonzero"
[ "$(cat "$d/bin/locked.txt")" = "locked 2" ] || fail "again: a read-only file not replaced"
[ "$(cat "$d/bin/prefs.cfg")" = "player prefs" ] || fail "again: the player's prefs.cfg overwritten"
leftover=$(find "$d" -name '*.tmp' -o -name '.*' -type f)
[ -z "$leftover" ] || fail "again: temporary files left: $leftover"

# 7. A medium with empty bin and res folders fails like a missing one; so does one whose bin holds only links.
rm -rf "$work/data/applications"
mkdir -p "$work/hollow/bin" "$work/hollow/res" "$work/links/bin" "$work/links/res"
ln -s "$work/secret" "$work/links/bin/game"
printf 'icon' > "$work/links/res/parent.ico"
expect_failure "empty bin and res" "$work/hollow" "dialog 102 set 1000 $work/hollow-dest" "dialog 102 press 1"
expect_failure "only links in bin" "$work/links" "dialog 102 set 1000 $work/links-dest" "dialog 102 press 1"

# 8. A shortcut that cannot be saved is reported on standard error; the installation still completes.
rm -rf "$work/data/applications"
mkdir -p "$work/data/applications"
printf 'a file' > "$work/data/applications/Kestrune"
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$work/noshortcut" > "$work/noshortcut.script"
(cd "$medium" && KESTRUNE_SCRIPT="$work/noshortcut.script" "$setup") 2> "$work/noshortcut.err" ||
  fail "shortcut: exited nonzero"
grep -q "Installation is complete" "$work/noshortcut.err" || fail "shortcut: not complete"
grep -qxF "setup: the shortcut Kestrune could not be saved in $work/data/applications/Kestrune" \
  "$work/noshortcut.err" || fail "shortcut: not reported: $(cat "$work/noshortcut.err")"

# 9. The dialog opens with the focus on its first control, Install.
grep -qx '\[dialog 102\] focus 1' "$work/no.err" || fail "focus not on Install"

# 10. A script that cannot be read ends the program with 2 before any dialog, as the game does.
printf 'dialog 102 bogus\n' > "$work/bad.script"
for script in "$work/missing.script" "$work/bad.script"; do
  status=0
  (cd "$medium" && KESTRUNE_SCRIPT="$script" "$setup") 2> "$work/bad.err" || status=$?
  [ "$status" = 2 ] || fail "unreadable script $script: exit $status"
  grep -q '\[dialog' "$work/bad.err" && fail "unreadable script $script: a dialog was shown"
done
# 11. A destination whose bin or res is a link, or anything but a folder: the installation fails
# and nothing is written through it; what stood there stays.
rm -rf "$work/data/applications"
mkdir -p "$work/elsewhere"
for plant in "bin:link" "res:link" "bin:dangling" "bin:file" "res:fifo"; do
  part=${plant%%:*} kind=${plant#*:} p="$work/p11"
  rm -rf "$p"
  mkdir -p "$p"
  case $kind in
    link) ln -s "$work/elsewhere" "$p/$part" ;;
    dangling) ln -s "$work/elsewhere/none" "$p/$part" ;;
    file) printf 'a file' > "$p/$part" ;;
    fifo) mkfifo "$p/$part" ;;
  esac
  before=$(stat -c %F "$p/$part")
  expect_failure "$part as a $kind" "$medium" "dialog 102 set 1000 $p" "dialog 102 press 1"
  [ -z "$(ls -A "$work/elsewhere")" ] || fail "$part as a $kind: written through it: $(ls -A "$work/elsewhere")"
  [ "$(stat -c %F "$p/$part")" = "$before" ] || fail "$part as a $kind: replaced"
done

# 12. The desktop entry is written as every installed file: a link planted at its name is
# replaced, not written through; a menu folder that is a link is not written in, which is
# reported; and on a full disk no entry is left, which is reported too. Every entry written here
# is one desktop-file-validate takes, its names with blanks, quotes, "$" and "%" included.
rm -rf "$work/data/applications"
mkdir -p "$work/data/applications/Kestrune"
printf 'outside' > "$work/outside12"
ln -s "$work/outside12" "$link"
odd="$work/jeu \"é\" \$x 100%"
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$odd" > "$work/d12.script"
(cd "$medium" && KESTRUNE_SCRIPT="$work/d12.script" "$setup") 2> "$work/d12.err" || fail "entry: exited nonzero"
grep -q "Installation is complete" "$work/d12.err" || fail "entry: not complete: $(cat "$work/d12.err")"
[ "$(cat "$work/outside12")" = outside ] || fail "entry: written through a link"
[ -f "$link" ] && [ ! -L "$link" ] || fail "entry: not in place of the link"
desktop-file-validate "$link" || fail "entry for $odd: not valid: $(cat "$link")"
[ -z "$(find "$work/data/applications" -name '.setup-*')" ] || fail "entry: a temporary file was left"

rm -rf "$work/data/applications"
mkdir -p "$work/data/applications" "$work/elsewhere12"
ln -s "$work/elsewhere12" "$work/data/applications/Kestrune"
(cd "$medium" && KESTRUNE_SCRIPT="$work/noshortcut.script" "$setup") 2> "$work/d12.err" ||
  fail "linked menu: exited nonzero"
grep -q "Installation is complete" "$work/d12.err" || fail "linked menu: not complete"
grep -qxF "setup: the shortcut Kestrune could not be saved in $work/data/applications/Kestrune" "$work/d12.err" ||
  fail "linked menu: not reported: $(cat "$work/d12.err")"
[ -z "$(ls -A "$work/elsewhere12")" ] || fail "linked menu: written through the link"

# The full disk is a small file system made full, where this may mount one (in a mount namespace
# of its own, so that nothing stays mounted).
full_disk() {
  set -e
  local apps="$work/full/applications"
  mount -t tmpfs -o size=16k tmpfs "$apps"
  mkdir "$apps/Kestrune"
  head -c 1M /dev/zero > "$apps/fill" 2> /dev/null || true
  (cd "$medium" && XDG_DATA_HOME="$work/full" KESTRUNE_SCRIPT="$work/noshortcut.script" "$setup") 2> "$work/full.err"
  grep -q "Installation is complete" "$work/full.err" || { echo "full disk: not complete"; return 1; }
  grep -qxF "setup: the shortcut Kestrune could not be saved in $apps/Kestrune" "$work/full.err" ||
    { echo "full disk: not reported: $(cat "$work/full.err")"; return 1; }
  [ -z "$(ls -A "$apps/Kestrune")" ] || { echo "full disk: left $(ls -A "$apps/Kestrune")"; return 1; }
}
mkdir -p "$work/full/applications"
if unshare --mount --propagation private true 2> /dev/null; then
  export -f full_disk
  export work medium setup
  unshare --mount --propagation private bash -c full_disk || fail "full disk (above)"
else
  echo "full disk: not checked here (no mount namespace); the shell's unit test fails a write instead"
fi

# 13. Installs killed at random moments leave their temporary files; the next installation
# removes every one of its own naming in the folders it writes, and nothing else.
m="$work/m13" d="$work/d13"
mkdir -p "$m/bin" "$m/res"
for i in 1 2 3 4 5 6; do
  head -c 4M /dev/zero > "$m/bin/part$i.bin"
  head -c 4M /dev/zero > "$m/res/part$i.bin"
done
printf 'icon' > "$m/res/parent.ico"
mkdir -p "$d/bin" "$d/res"
printf 'stale' > "$d/bin/.setup-AbC123"
printf 'not ours' > "$d/res/.setup-keep"
printf 'dialog 102 set 1000 %s\ndialog 102 press 1\nanswer no\n' "$d" > "$work/d13.script"
temporaries() { find "$d" "$work/data/applications" -name '.setup-??????' -type f -printf '%s\n' |
                  awk '{n++; s+=$1} END {printf "%d files, %d bytes", n, s}'; }
for i in $(seq 20); do
  (cd "$m" && KESTRUNE_SCRIPT="$work/d13.script" exec "$setup" 2> /dev/null) &
  sleep "0.$(printf '%03d' $((RANDOM % 120)))"
  kill -9 $! 2> /dev/null || true
  wait $! 2> /dev/null || true
done
echo "after 20 killed installs: $(temporaries)"
(cd "$m" && KESTRUNE_SCRIPT="$work/d13.script" "$setup") 2> "$work/d13.err" || fail "killed: exited nonzero"
grep -q "Installation is complete" "$work/d13.err" || fail "killed: the clean install failed"
echo "after one clean install: $(temporaries)"
[ "$(temporaries)" = "0 files, 0 bytes" ] || fail "killed: temporary files left: $(find "$d" -name '.setup-*')"
[ "$(cat "$d/res/.setup-keep")" = "not ours" ] || fail "killed: a file of another naming was removed"
cmp "$m/bin/part6.bin" "$d/bin/part6.bin" || fail "killed: the clean install did not copy"

echo "setup install: all checks passed"
