#!/usr/bin/env bash
# A "prefs.cfg" asking for a window 100000 pixels wide, a size the EGL display refuses: the start
# retries at the first mode of the list (640 x 480), says "Invalid Setting(s)" and runs with the
# menu laid out on the frame it got, and the setting stays in "prefs.cfg" as it was. Skipped where
# no EGL display can be made.
set -euo pipefail
source "$(dirname "$0")/headless.bash"
build=$1
# Whether this machine makes EGL displays at all, with the default settings.
run_headless "$build" $'2 capture probe.png\n3 close\n'
skip_without_egl
rm -f prefs.cfg console.log probe.png

printf 'windowed\t\t= 1\r\r\ndisplay_width\t= 100000\r\r\n' > prefs.cfg
run_headless "$build" $'12 capture menu.png\n13 close\n'
[ "$code" -eq 0 ] || { echo "exit code $code, expected 0"; exit 1; }
grep -qF 'message box [Invalid Setting(s)] One or more preferences are not supported by video hardware. Running with default settings' \
  "$work/stderr.txt" || { echo "no \"Invalid Setting(s)\" box"; exit 1; }
header=$(od -An -tx1 -N24 menu.png | tr -d ' \n')
[ "${header:32:16}" = "00000280000001e0" ] || { echo "menu.png is not 640 x 480: ${header:32:16}"; exit 1; }
expect_lit menu.png "the banner" 100 0 540 72 2000
expect_lit menu.png "\"Cast Mode\", the selected row" 250 108 390 132 300
grep -qa $'^display_width\t[\t]*= 100000\r\r$' prefs.cfg || { echo "prefs.cfg lost the setting"; cat -A prefs.cfg; exit 1; }
echo "ok"
