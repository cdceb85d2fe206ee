#!/usr/bin/env bash
# The delivery benchmark's Wayland row: the pacer over the Wayland backend
# drawing the benchmark's grid into `drawing` on a private headless sway,
# started and stopped by process id. Prints one row in the columns of
# scripts/bench-delivery.sh, which calls it for its sway row.
# Usage: scripts/bench-delivery-wayland.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build wayland

build_dir=build/release
cmake --preset release >/dev/null
# The bench starts the program itself on sway.
cmake --build "$build_dir" --target delivery_bench_wayland scrivlet -j "$(nproc)" >/dev/null

state_dir=$(mktemp -d)
trap 'scripts/waylandsession.sh stop "$state_dir/session.env"; rm -rf "$state_dir"' EXIT
scripts/waylandsession.sh start "$state_dir/session.env" >/dev/null
SCRIVLET_WAYLANDSESSION="$state_dir/session.env" \
  "$build_dir/bench/delivery/delivery_bench_wayland"
