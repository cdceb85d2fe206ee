#!/usr/bin/env bash
# Installs the Debian packages a task needs, skipping those already present.
# Usage: scripts/deps.sh GROUP...   (or source it and call install_groups)

# Compiler, Qt 6, X11 libraries, test and benchmark frameworks, linters,
# clang's libFuzzer for the fuzz test, and dpkg-dev for packaging (the .deb's
# dependencies are read from the program's libraries) with the desktop entry
# checker. The Wayland backend needs the client library, the protocol XML
# (KDE's from plasma-wayland-protocols) and its scanner, and Qt's Wayland
# platform plugin to run there; GNOME's route and the shortcuts portal speak
# D-Bus through sd-bus, and the GNOME route reads the pointer from a
# PipeWire stream.
PKGS_BUILD=(cmake ninja-build g++ pkg-config git ccache
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libx11-dev libxtst-dev libxi-dev libxdamage-dev
  libwayland-dev wayland-protocols plasma-wayland-protocols qt6-wayland
  libsystemd-dev libpipewire-0.3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format clang-tidy fonts-ipafont-gothic
  clang libclang-rt-14-dev dpkg-dev desktop-file-utils)
# A virtual X desktop with a window manager and paint programs to draw into;
# mutter and a session bus for the composited desktop (and PipeWire with
# its session manager, for mutter's screen cast), Firefox ESR for the
# browser page; Python's D-Bus binding for the fake of GNOME's services;
# xrandr to change the screen's size under a drawing.
PKGS_DESKTOP=(xvfb xauth xdotool openbox mtpaint xpaint x11-apps x11-utils
  x11-xserver-utils mutter dbus pipewire wireplumber firefox-esr python3-dbus python3-gi)
# The Windows leg: cross compiler and Wine to run its tests, with the X
# libraries Wine's display driver loads (only recommended by its packages);
# NSIS and zip pack the installer and the portable zip.
PKGS_WINDOWS=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64
  libxrandr2 libxinerama1 libxrender1 libxcursor1 libxcomposite1 libxfixes3 libxi6
  nsis zip)
# A Wayland desktop for the tests: a headless wlroots compositor, a
# Wayland-native paint program, setpriv to run the compositor as a non-root
# user, and wtype to press keys there; KWin on its virtual framebuffer, on
# a private session bus, for the KDE route.
PKGS_WAYLAND=(sway drawing util-linux wtype kwin-wayland dbus)

# wlroots' own protocols (virtual pointer, screencopy, layer shell) are in
# no Debian 12 binary package; they come from its source package, fetched
# with the build group.
WLR_PROTOCOLS_DIR=/usr/local/share/scrivlet/wlr-protocols
WLR_PROTOCOLS=(wlr-virtual-pointer-unstable-v1 wlr-screencopy-unstable-v1
  wlr-layer-shell-unstable-v1)

wlr_protocols_present() {
  local name
  for name in "${WLR_PROTOCOLS[@]}"; do
    [ -f "$WLR_PROTOCOLS_DIR/$name.xml" ] || return 1
  done
}

install_wlr_protocols() {
  wlr_protocols_present && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "deps.sh: wlroots protocol XML missing in $WLR_PROTOCOLS_DIR (run as root to fetch it)" >&2
    return 1
  fi
  local sources=/etc/apt/sources.list.d/scrivlet-src.sources
  if [ ! -f "$sources" ]; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' \
      'Suites: bookworm' 'Components: main' \
      'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >"$sources"
    apt-get update -qq
  fi
  local work name
  work=$(mktemp -d)
  (cd "$work" && apt-get source -qq wlroots >/dev/null 2>&1)
  mkdir -p "$WLR_PROTOCOLS_DIR"
  for name in "${WLR_PROTOCOLS[@]}"; do
    cp "$work"/wlroots-*/protocol/"$name".xml "$WLR_PROTOCOLS_DIR/"
  done
  rm -rf "$work"
}

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
      wayland) wanted+=("${PKGS_WAYLAND[@]}") ;;
      *) echo "deps.sh: unknown package group '$group'" >&2; return 2 ;;
    esac
  done
  local missing
  mapfile -t missing < <(missing_packages "${wanted[@]}")
  if [ "${#missing[@]}" -eq 0 ]; then
    [[ " $* " != *" build "* ]] || install_wlr_protocols
    return
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "deps.sh: missing packages (run as root to install): ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  [[ " $* " != *" build "* ]] || install_wlr_protocols
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  install_groups "$@"
fi
