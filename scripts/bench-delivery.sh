#!/usr/bin/env bash
# Measures dot delivery into real paint programs (mtpaint, xpaint) on a
# private virtual X desktop and prints one table: the delivery pacer beside
# back-to-back injection, a fixed 3 ms pause and a bare closed-loop injector.
# Usage: scripts/bench-delivery.sh   (installs what is missing when root)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=build/bench-delivery
cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target delivery_bench -j "$(nproc)" >/dev/null
scripts/xsession.sh with "$build_dir/bench/delivery/delivery_bench"
