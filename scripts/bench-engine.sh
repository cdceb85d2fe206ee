#!/usr/bin/env bash
# Benchmarks the drawing engine alone (no desktop): samples and events per
# second and peak memory, on the optimised build.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target engine_bench
build/release/bench/engine_bench --benchmark_counters_tabular=true "$@"
