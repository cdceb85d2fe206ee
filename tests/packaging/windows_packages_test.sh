#!/usr/bin/env bash
# The Windows packages, checked under Wine: the zip holds the program, its
# README and the licence; the installer, run silently, puts the program and a Start-menu
# entry in place, and its uninstaller takes both away again.
# Usage: windows_packages_test.sh BUILD_DIR   (WINEPREFIX set, as ctest has it)
set -euo pipefail
build_dir=$1
: "${WINEPREFIX:?windows_packages_test.sh: run it under scripts/test-windows.sh}"
out=$(mktemp -d)
target_dir="$WINEPREFIX/drive_c/scrivlet-package-test"
trap 'rm -rf "$out" "$target_dir"' EXIT

fail() {
  echo "windows_packages_test.sh: $*" >&2
  exit 1
}

(cd "$build_dir" && cpack -G 'ZIP;NSIS' -B "$out" >/dev/null)
zip=$(echo "$out"/scrivlet-*-windows-x64.zip)
installer=$(echo "$out"/scrivlet-*-windows-x64.exe)
listing=$(unzip -Z1 "$zip")
for file in scrivlet.exe README.md LICENSE; do
  grep -q "/$file\$" <<<"$listing" || fail "the zip lacks $file"
done

menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Scrivlet"
wine "$installer" /S '/D=C:\scrivlet-package-test'
for file in scrivlet.exe LICENSE; do
  [ -f "$target_dir/$file" ] || fail "the installer put no $file in place"
done
[ -f "$menu/Scrivlet.lnk" ] || fail "the installer made no Start-menu entry"

# The uninstaller copies itself away and finishes in the background.
wine 'C:\scrivlet-package-test\Uninstall.exe' /S
for _ in $(seq 100); do
  [ -e "$target_dir/scrivlet.exe" ] || [ -e "$menu" ] || break
  sleep 0.1
done
[ ! -e "$target_dir/scrivlet.exe" ] || fail "the uninstaller left scrivlet.exe"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu entry"
echo "zip and installer: installed, Start-menu entry made, uninstalled"
