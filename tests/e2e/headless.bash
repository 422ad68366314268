# Shared by the end-to-end tests (sourced, not a test itself): a fresh install folder in $work
# (removed on exit) with the built program in bin and the assets in res.
#   run_headless <build folder> <script text>
# runs the program headless from bin with that script, leaves the exit code in $code and its
# standard error in $work/stderr.txt (also shown), and ends in the bin folder.
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
  KESTRUNE_HEADLESS=1 KESTRUNE_TIME=1000 KESTRUNE_SCRIPT="$work/script.txt" "./Kestrune PC" 2> "$work/stderr.txt"
  code=$?
  set -e
  cat "$work/stderr.txt"
}
