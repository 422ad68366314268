#!/usr/bin/env bash
# Installs from a small medium with the setup program, headless: the copied files, the shortcut,
# the final question, a failed copy, and the game started from its bin folder on Yes.
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
grep -q "Installation is complete. Run the game now?" "$work/no.err" || fail "no final question"
link="$work/data/applications/Kestrune/Kestrune.desktop"
[ -f "$link" ] || fail "no shortcut"
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
grep -q "There was a problem while installing the game." "$work/empty.err" || fail "no failure box"
grep -q "Run the game now" "$work/empty.err" && fail "question asked after a failure"
[ ! -e "$work/data/applications/Kestrune/Kestrune.desktop" ] || fail "shortcut made after a failure"

# 4. Cancel does nothing.
rm -rf "$work/data"
printf 'dialog 102 press 2\n' > "$work/cancel.script"
(cd "$medium" && KESTRUNE_SCRIPT="$work/cancel.script" "$setup") 2> /dev/null || fail "setup exited nonzero"
[ ! -e "$work/data/Kestrune PC" ] || fail "cancel installed something"
echo "setup install: all checks passed"
