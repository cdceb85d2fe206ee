#!/usr/bin/env bash
# Measures the drawing styles in real targets and prints ONE table: on the
# plain X desktop (mtpaint), the composited one (mutter with mtpaint) and
# the browser page (Firefox), the built-in sample at coarseness 1 drawn as
# dots and as strokes, and a grey picture drawn as a threshold drawing and
# dithered (Floyd-Steinberg, Bayer), and four flat shapes in colours a
# little off four of the target's own swatches, drawn in black and in those
# inks; with the seconds, the pixels inked and stray, what the engine sent,
# the tone error of the grey drawings and, for the inks, the samples in a
# wrong ink (in the error column; "inked" is then the share in the right
# ink). A target without such swatches beside its canvas fails its colour
# rows with a message.
# Usage: scripts/bench-styles.sh [DESKTOP...]   (plain mutter firefox)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=build/release
cmake --preset release >/dev/null
cmake --build "$build_dir" --target styles_bench -j 2 >/dev/null
bench=$PWD/$build_dir/bench/delivery/styles_bench

desktop_plain() {
  scripts/xsession.sh with "$bench" plain mtpaint
}

desktop_mutter() {
  XSESSION_WM=mutter scripts/xsession.sh with "$bench" mutter mtpaint
}

desktop_firefox() {
  scripts/xsession.sh with "$bench" firefox canvas-page
}

all_desktops=(plain mutter firefox)

echo "load before: $(uptime)"
echo "| desktop | target      | picture | drawing                              |   sent | seconds |    inked | stray | error | delivery"
echo "|---------|-------------|---------|--------------------------------------|--------|---------|----------|-------|-------|---------"
status=0
for desktop in "${@:-${all_desktops[@]}}"; do
  "desktop_$desktop" || status=1
done
echo "load after: $(uptime)"
exit "$status"
