#!/usr/bin/env bash
# The Windows intro under Wine, as a user runs it: prompt_helper answers the
# fullscreen question (no: a window; yes: the display's own 640x480 mode),
# and the X display is photographed (xwd) while it
# plays. The intro must end by itself (Wine's null sound device runs fast, so
# the show is shorter than on a real machine: only order and completion are
# checked), exit 0 with nothing on stderr, and have shown the forest.
#   intro_runs_to_its_end.sh frostmere.exe prompt_helper.exe no|yes OUTDIR
set -uo pipefail
intro=$1 helper=$2 answer=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: Wine needs an X display here: run the Windows tests under xvfb-run"
  exit 1
fi
source "$here/../../scripts/wine-env"
rm -rf "$out" && mkdir -p "$out/shots"

wine "$helper" --answer "$answer" > "$out/helper.txt" 2>&1 &
helper_pid=$!
start=$(date +%s)
timeout 300 wine "$intro" > "$out/stdout.txt" 2> "$out/stderr.txt" &
intro_pid=$!
shot=0
while kill -0 "$intro_pid" 2> /dev/null; do
  # A dump can fail while the display changes mode: that one is dropped.
  file="$out/shots/shot-$(printf %03d $shot).xwd"
  if xwd -root -silent > "$file" 2> /dev/null; then
    shot=$((shot + 1))
  else
    rm -f "$file"
  fi
  sleep 0.5
done
wait "$intro_pid"
status=$?
wait "$helper_pid"
helper_status=$?
seconds=$(( $(date +%s) - start ))
tr -d '\r' < "$out/helper.txt"
echo "frostmere.exe exited with $status after $seconds s; $shot screenshots taken"

fail=0
if [ "$status" -ne 0 ]; then echo "FAIL: exit code $status (124: it never ended)"; fail=1; fi
if [ "$helper_status" -ne 0 ]; then echo "FAIL: the question was never answered"; fail=1; fi
if [ -s "$out/stderr.txt" ]; then echo "FAIL: it wrote to stderr:"; cat "$out/stderr.txt"; fail=1; fi
if ! python3 "$here/pictures.py" forest "$out/shots"; then fail=1; fi
exit $fail
