# Shared by the end-to-end tests (sourced, not a test itself): a fresh install folder in $work
# (removed on exit) with the built program in bin and the assets in res.
#   run_headless <build folder> <script text>
# runs the program headless from bin with that script, leaves the exit code in $code and its
# standard error in $work/stderr.txt (also shown), and ends in the bin folder.
#   skip_without_egl
# ends the test as skipped (exit code 77, ctest's SKIP_RETURN_CODE) when the run could not make an
# EGL display.
#   expect_lit <file.png> <what> <left> <top> <right> <bottom> <at least> [<at most>]
# checks how many pixels of that rectangle of a captured frame are lit (frame_probe).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

run_headless() {
  local build=$1
  cp "$build/bin/Kestrune PC" "$work/bin/"
  if [ -d "$build/res" ] && [ ! -d "$work/res" ]; then cp -r "$build/res" "$work/res"; fi
  printf '%s' "$2" > "$work/script.txt"
  cd "$work/bin"
  set +e
  frame_probe="$build/tests/frame_probe"
  KESTRUNE_HEADLESS=1 KESTRUNE_TIME=1000 KESTRUNE_SCRIPT="$work/script.txt" "./Kestrune PC" 2> "$work/stderr.txt"
  code=$?
  set -e
  cat "$work/stderr.txt"
}

skip_without_egl() {
  if grep -q 'Video hardware not present' "$work/stderr.txt"; then
    echo "skipped: no EGL display here"
    exit 77
  fi
}

expect_lit() {
  local n
  n=$("$frame_probe" "$1" "$3" "$4" "$5" "$6")
  echo "$1: $2: $n lit pixels"
  [ "$n" -ge "$7" ] || { echo "$1: too few lit pixels for $2 (at least $7)"; exit 1; }
  [ "$n" -le "${8:-999999999}" ] || { echo "$1: too many lit pixels for $2 (at most $8)"; exit 1; }
}
