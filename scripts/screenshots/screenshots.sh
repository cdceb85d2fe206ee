#!/usr/bin/env bash
# Takes the documentation's screenshots of the three pages of the main window
# on a virtual X desktop: docs/images/window-main.png, window-settings.png and
# window-style.png.
# Usage: scripts/screenshots/screenshots.sh BUILD_DIR   (a configured build;
#   the program and screen_grab are built in it first)
set -euo pipefail
cd "$(dirname "$0")/../.."
build_dir=$(realpath "${1:?usage: screenshots.sh BUILD_DIR}")
out_dir=$(realpath docs/images)
grab="$build_dir/scripts/screenshots/screen_grab"

shoot() {
  local program_pid window x y width height
  "$build_dir/src/app/scrivlet" &
  program_pid=$!
  trap 'kill "$program_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name 'Scrivlet' 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "screenshots.sh: the window did not appear" >&2; exit 1; }
  sleep 1
  # xwininfo gives the client area's absolute position even when the window
  # manager has reparented the window into its frame.
  read -r x y width height < <(xwininfo -id "$window" | awk '
    /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
    /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
  # The window with its frame: the title bar sits above the client area.
  "$grab" "$out_dir/window-main.png" "$((x - 4)),$((y - 24)),$((width + 8)),$((height + 28))"
  # The second tab, a sixth of the tab control's width right of its middle.
  xdotool mousemove "$((x + 8 + width / 3 + 40))" "$((y + 16))" click 1
  sleep 0.5
  xdotool mousemove "$((x + width + 50))" "$((y + height + 50))"
  sleep 0.3
  "$grab" "$out_dir/window-settings.png" "$((x - 4)),$((y - 24)),$((width + 8)),$((height + 28))"
  # The third tab, in the middle of the strip's last third.
  xdotool mousemove "$((x + 8 + (width - 16) * 5 / 6))" "$((y + 16))" click 1
  sleep 0.5
  xdotool mousemove "$((x + width + 50))" "$((y + height + 50))"
  sleep 0.3
  "$grab" "$out_dir/window-style.png" "$((x - 4)),$((y - 24)),$((width + 8)),$((height + 28))"
  kill "$program_pid"
  wait "$program_pid" 2>/dev/null || true
  trap - EXIT
}

# Builds what it needs, then runs itself again on a private virtual desktop.
if [ -z "${SCRIVLET_SHOOTING:-}" ]; then
  cmake --build "$build_dir" --target scrivlet screen_grab >/dev/null
  SCRIVLET_SHOOTING=1 exec scripts/xsession.sh with "$0" "$build_dir"
fi
shoot
echo "screenshots: $out_dir/window-main.png $out_dir/window-settings.png $out_dir/window-style.png"
