#!/usr/bin/env bash
# Packs the build as a .deb with CPack, installs it with apt-get (which must
# resolve its Depends), checks what it installed, starts the installed
# program on the test X session until its window shows, and removes the
# package again.
# Usage: tests/packaging/deb_test.sh BUILD_DIR
#   (as root, on DISPLAY)
set -euo pipefail
build_dir=$(realpath "${1:?usage: deb_test.sh BUILD_DIR}")
readonly skip=77

fail() {
  echo "deb_test.sh: $*" >&2
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then
  echo "deb_test.sh: needs root to install a package; skipped"
  exit "$skip"
fi
if dpkg-query -W -f='${Status}' scrivlet 2>/dev/null | grep -q 'install ok installed'; then
  echo "deb_test.sh: scrivlet is installed already; left alone, skipped"
  exit "$skip"
fi
[ -n "${DISPLAY:-}" ] || fail "no X display to start the program on"

work=$(mktemp -d "${TMPDIR:-/tmp}/scrivlet-deb.XXXXXX")
# apt reads the file as its own unprivileged user.
chmod 755 "$work"
program_pid=
installed=
cleanup() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
  fi
  if [ -n "$installed" ]; then
    apt-get purge -y -qq -o DPkg::Lock::Timeout=120 scrivlet >/dev/null ||
      echo "deb_test.sh: could not remove the scrivlet package" >&2
  fi
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build_dir" && cpack -B "$work" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$work" -maxdepth 1 -name 'scrivlet_*.deb' | head -1)
[ -n "$deb" ] || fail "cpack made no scrivlet_*.deb"
chmod 644 "$deb"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in fonts-ipafont-gothic qt6-wayland libqt6widgets6 libxtst6 libc6; do
  grep -qw "$needed" <<<"$depends" || fail "Depends lacks $needed"
done

export DEBIAN_FRONTEND=noninteractive
installed=yes
apt-get install -y -qq -o DPkg::Lock::Timeout=120 "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" >&2; fail "apt-get could not install $deb"; }

for file in /usr/bin/scrivlet /usr/share/applications/scrivlet.desktop \
  /usr/share/icons/hicolor/32x32/apps/scrivlet.png /usr/share/doc/scrivlet/window.md \
  /usr/share/doc/scrivlet/copyright; do
  [ -f "$file" ] || fail "the package did not install $file"
done
desktop-file-validate /usr/share/applications/scrivlet.desktop ||
  fail "the desktop entry is not valid"
# KWin hands its fake input and its screenshots only to the program whose
# entry declares them, found by the full path in Exec=.
for line in X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input \
  X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2 Exec=/usr/bin/scrivlet; do
  grep -qx "$line" /usr/share/applications/scrivlet.desktop ||
    fail "the desktop entry lacks the line $line"
done
# A PNG's header holds its width and height at bytes 16 to 23.
size=$(od -An -tx1 -j16 -N8 /usr/share/icons/hicolor/32x32/apps/scrivlet.png | tr -d ' \n')
[ "$size" = 0000002000000020 ] || fail "the menu icon is not 32 x 32 ($size)"

/usr/bin/scrivlet </dev/null >"$work/program.log" 2>&1 &
program_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$program_pid" --name Scrivlet | head -1) ||
  { cat "$work/program.log" >&2; fail "the installed program showed no window"; }
echo "installed $(basename "$deb"); /usr/bin/scrivlet showed \"$(xdotool getwindowname "$window")\""
