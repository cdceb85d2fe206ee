#!/usr/bin/env bash
# Measures dot delivery on each kind of test desktop and prints ONE table:
# for each desktop, dots/s, landed % and stray pixels of pipelined delivery,
# the one-in-flight closed loop, back-to-back injection and a fixed 3 ms
# pace, and how many times faster pipelined delivery is than the loop.
# Usage: scripts/bench-delivery.sh [DESKTOP...]   (default: all of them;
# installs what is missing when root)
#
# A desktop is one function below, named desktop_NAME, that starts its
# desktop, runs "$bench NAME TARGET [COLUMNS ROWS]" on it (one row per
# method) and stops it again. To add a row, add such a function and its name
# to all_desktops; the binary measures any target of the desktop kit
# (tests/desktop_kit/paint_program.cpp) on the display it is given.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=build/release
cmake --preset release >/dev/null
cmake --build "$build_dir" --target delivery_bench -j "$(nproc)" >/dev/null
bench=$PWD/$build_dir/bench/delivery/delivery_bench

# The plain X server: Xvfb and openbox, nothing composited.
desktop_plain() {
  scripts/xsession.sh with "$bench" plain mtpaint 60 30
}

# GNOME's compositing window manager in X11 mode, with a paint program.
desktop_mutter() {
  XSESSION_WM=mutter scripts/xsession.sh with "$bench" mutter mtpaint 30 20
}

# A drawing-game style page in Firefox ESR, kiosk mode.
desktop_firefox() {
  scripts/xsession.sh with "$bench" firefox canvas-page 30 20
}

# Headless sway with a Wayland-native paint program (pipelined delivery only:
# the baselines are X11 injectors).
desktop_sway() {
  scripts/bench-delivery-wayland.sh
}

# Headless mutter on Wayland, through GNOME's remote-desktop route (pipelined
# delivery only, as on sway).
desktop_gnome() {
  scripts/bench-delivery-gnome.sh
}

all_desktops=(plain mutter firefox sway gnome)

echo "| desktop  | target      | method               |  dots |  landed | stray | seconds |  dots/s | pipelined delivery"
echo "|----------|-------------|----------------------|-------|---------|-------|---------|---------|-------------------"
status=0
for desktop in "${@:-${all_desktops[@]}}"; do
  "desktop_$desktop" || status=1
done
exit "$status"
