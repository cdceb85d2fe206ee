#!/usr/bin/env bash
# The demo, for a machine without a desktop: on a private virtual X server
# with a window manager it starts mtpaint and Scrivlet, presses F7 with the
# pointer on mtpaint's canvas (xdotool), waits until the built-in sample is
# drawn, saves a screenshot of the result and prints where it is. Everything
# it started is stopped again by process id.
# Usage: scripts/demo.sh [BUILD_DIR]   (default build/release, built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=${1:-build/release}
if [ "$build_dir" = build/release ]; then
  cmake --preset release >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" \
  --target scrivlet scrivlet_paint_stage screen_grab >/dev/null
program="$build_dir/src/app/scrivlet"
stage="$build_dir/scripts/screenshots/scrivlet_paint_stage"
grab="$build_dir/scripts/screenshots/screen_grab"
shot="$PWD/$build_dir/demo/scrivlet-demo.png"
mkdir -p "$(dirname "$shot")"

work=$(mktemp -d "${TMPDIR:-/tmp}/scrivlet-demo.XXXXXX")
session="$work/xsession.env"
stage_pid=
program_pid=
cleanup() {
  for pid in "$program_pid" "$stage_pid"; do
    if [ -n "$pid" ]; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  scripts/xsession.sh stop "$session" || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "demo.sh: $*" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Room for Scrivlet's whole window beside mtpaint's.
scripts/xsession.sh start "$session" 1600x1200 >/dev/null
DISPLAY=$(sed -n 's/^DISPLAY=//p' "$session")
export DISPLAY
echo "Virtual X desktop $DISPLAY with openbox"

# mtpaint, with its blank canvas in view.
"$stage" mtpaint >"$work/stage.out" 2>"$work/stage.err" &
stage_pid=$!
canvas_shown() { grep -q '^CANVAS' "$work/stage.out"; }
wait_for 300 canvas_shown || { cat "$work/stage.err" >&2; fail "mtpaint did not start"; }
read -r _ canvas_x canvas_y _ _ <"$work/stage.out"
echo "mtpaint is up; its canvas starts at $canvas_x,$canvas_y"

"$program" </dev/null >"$work/program.log" 2>&1 &
program_pid=$!
window=
find_window() {
  window=$(xdotool search --onlyvisible --pid "$program_pid" --name '^Scrivlet' 2>/dev/null | head -1)
  [ -n "$window" ]
}
wait_for 200 find_window || { cat "$work/program.log" >&2; fail "Scrivlet showed no window"; }
# Beside mtpaint, below its tool palette.
xdotool windowmove "$window" 1003 260
echo "Scrivlet is up (window $window)"

# As a user would: the pointer on the canvas's top-left corner, then F7.
started=$(date +%s.%N)
xdotool mousemove $((canvas_x + 20)) $((canvas_y + 20)) keydown F7 sleep 0.1 keyup F7
caption() { xdotool getwindowname "$window"; }
drawing() { caption | grep -q '%'; }
not_drawing() { ! drawing; }
wait_for 100 drawing || fail "F7 started no drawing"
echo "Drawing the built-in sample..."
wait_for 3000 not_drawing || fail "the drawing did not finish within 5 minutes"
finished=$(date +%s.%N)
sleep 0.5

"$grab" "$shot" 2>/dev/null || fail "could not save the screenshot"
awk -v s="$started" -v f="$finished" -v shot="$shot" \
  'BEGIN { printf "Drawn in %.1f s. Screenshot of the finished drawing: %s\n", f - s, shot }'
