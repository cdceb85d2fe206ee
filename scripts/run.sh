#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts Scrivlet.
# Usage: scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build

if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display (DISPLAY is not set); Scrivlet needs an X11 desktop" >&2
  exit 1
fi

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target scrivlet
exec build/release/src/window/scrivlet
