#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts Scrivlet on
# the X desktop. Without a desktop (DISPLAY not set) it runs the demo
# instead: Scrivlet draws into mtpaint on a virtual X server, and a
# screenshot of the result is saved (scripts/demo.sh).
# Usage: scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "No X display (DISPLAY is not set): running the demo on a virtual one."
  exec scripts/demo.sh
fi

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target scrivlet
exec build/release/src/app/scrivlet
