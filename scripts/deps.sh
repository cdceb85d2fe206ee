#!/usr/bin/env bash
# Installs the Debian packages a task needs, skipping those already present.
# Usage: scripts/deps.sh GROUP...   (or source it and call install_groups)

# Compiler, Qt 6, X11 libraries, test and benchmark frameworks, linters,
# clang's libFuzzer for the fuzz test, and dpkg-dev for packaging (the .deb's
# dependencies are read from the program's libraries) with the desktop entry
# checker.
PKGS_BUILD=(cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libx11-dev libxtst-dev libxi-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format clang-tidy fonts-ipafont-gothic
  clang libclang-rt-14-dev dpkg-dev desktop-file-utils)
# A virtual X desktop with a window manager and paint programs to draw into;
# mutter and a session bus for the composited desktop, Firefox ESR for the
# browser page.
PKGS_DESKTOP=(xvfb xauth xdotool openbox mtpaint xpaint x11-apps x11-utils
  mutter dbus firefox-esr)
# The Windows leg: cross compiler and Wine to run its tests, with the X
# libraries Wine's display driver loads (only recommended by its packages).
PKGS_WINDOWS=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64
  libxrandr2 libxinerama1 libxrender1 libxcursor1 libxcomposite1 libxfixes3 libxi6)

missing_packages() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      echo "$pkg"
  done
}

install_groups() {
  local wanted=() group
  for group in "$@"; do
    case "$group" in
      build) wanted+=("${PKGS_BUILD[@]}") ;;
      desktop) wanted+=("${PKGS_DESKTOP[@]}") ;;
      windows) wanted+=("${PKGS_WINDOWS[@]}") ;;
      *) echo "deps.sh: unknown package group '$group'" >&2; return 2 ;;
    esac
  done
  local missing
  mapfile -t missing < <(missing_packages "${wanted[@]}")
  [ "${#missing[@]}" -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "deps.sh: missing packages (run as root to install): ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  install_groups "$@"
fi
