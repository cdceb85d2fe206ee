#!/usr/bin/env bash
# The delivery benchmark's GNOME row: the pacer over GNOME's remote-desktop
# route clicking a grid into a Wayland-native program on a private headless
# mutter (scripts/gnomesession.sh), started and stopped by process id.
# Prints one row in the columns of scripts/bench-delivery.sh, which calls it
# for its gnome row.
# Usage: scripts/bench-delivery-gnome.sh
# DELIVERY_BENCH_BEFORE=DIR first runs the delivery_bench_gnome of another
# release build directory (say, of an older commit) on a session of its
# own, labelled "before (other build)", for a side-by-side measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=build/release
cmake --preset release >/dev/null
cmake --build "$build_dir" --target delivery_bench_gnome -j "$(nproc)" >/dev/null

# Each binary gets a fresh session, so that neither measures a mutter the
# other has left behind.
state_dir=
trap '[[ -z $state_dir ]] || { scripts/gnomesession.sh stop "$state_dir/session.env"; rm -rf "$state_dir"; }' EXIT
run() {  # BUILD_DIR LABEL
  state_dir=$(mktemp -d)
  scripts/gnomesession.sh start "$state_dir/session.env" >/dev/null
  scripts/in-session.sh "$state_dir/session.env" \
    XDG_RUNTIME_DIR,WAYLAND_DISPLAY,DBUS_SESSION_BUS_ADDRESS \
    "$1/bench/delivery/delivery_bench_gnome" |
    sed "s/| pipelined delivery   |/| $2 |/"
  scripts/gnomesession.sh stop "$state_dir/session.env"
  rm -rf "$state_dir"
  state_dir=
}
if [[ -n ${DELIVERY_BENCH_BEFORE:-} ]]; then
  run "$DELIVERY_BENCH_BEFORE" "before (other build)"
fi
run "$build_dir" "pipelined delivery  "
