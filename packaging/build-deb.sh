#!/usr/bin/env bash
# Builds the release preset and packs it as build/release/packages/scrivlet_VERSION_ARCH.deb.
# Install it with: sudo apt-get install ./build/release/packages/scrivlet_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target scrivlet scrivlet_menu_icon
(cd build/release && cpack -B packages >/dev/null)
ls build/release/packages/scrivlet_*.deb
