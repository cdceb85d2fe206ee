#!/usr/bin/env bash
# Whether delivery's memory stays flat over 50 drawings: builds the release
# preset's delivery_memory_bench and runs it on a private plain X desktop
# with mtpaint. Prints the resident size and the heap in use after drawings
# 1, 10, 25 and 50 as one table.
# Usage: scripts/bench-delivery-memory.sh   (installs what is missing when root)
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop

build_dir=build/release
cmake --preset release >/dev/null
cmake --build "$build_dir" --target delivery_memory_bench -j "$(nproc)" >/dev/null
scripts/xsession.sh with "$PWD/$build_dir/bench/delivery/delivery_memory_bench"
