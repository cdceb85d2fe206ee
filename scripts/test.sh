#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the pure
# layers alone (core preset), lint, the Linux build under the sanitizers
# (engine, window, backends and end-to-end tests on virtual desktops), the
# release build (every preset must build; the windows preset is built by
# test-windows.sh), and the Windows leg under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build desktop windows wayland

jobs=$(nproc)
# Three full builds (dev, release, windows) on two cores: reuse what an
# earlier run compiled. Paths are taken relative to the checkout, so a fresh
# clone elsewhere still hits.
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD

# The pure layers first, with only a compiler and GoogleTest: the fast signal.
cmake --preset core >/dev/null
cmake --build --preset core -j "$jobs"
ctest --preset core -j "$jobs"

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
scripts/lint.sh build/dev
# A test that fails is run once more: headless sway now and then delivers no
# button to a fresh test surface (not yet understood); a fault in Scrivlet
# fails both runs.
ctest --preset dev -j "$jobs" --repeat until-pass:2

# Optimisation brings its own warnings (GCC's -Wrestrict, -Wstringop-*),
# errors here as in dev.
cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"

scripts/test-windows.sh
