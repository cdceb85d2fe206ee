#!/usr/bin/env bash
# Cross-builds the Windows program (the `windows` preset) and packs it twice:
#   build/windows/packages/scrivlet-VERSION-windows-x64.zip  portable: the exe,
#     the README, the Windows notes and the licence (LICENSE), in one folder;
#   build/windows/packages/scrivlet-VERSION-windows-x64.exe  an installer made
#     by NSIS (makensis runs on Linux), with a Start-menu entry and an
#     uninstaller.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/deps.sh
source scripts/deps.sh
install_groups build windows

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target scrivlet
rm -rf build/windows/packages
(cd build/windows && cpack -G 'ZIP;NSIS' -B packages >/dev/null)
ls -l build/windows/packages/scrivlet-*-windows-x64.zip \
  build/windows/packages/scrivlet-*-windows-x64.exe
