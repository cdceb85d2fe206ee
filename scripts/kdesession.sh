#!/usr/bin/env bash
# A virtual KDE Plasma compositor for tests: kwin_wayland on its virtual
# framebuffer, started in the background and stopped again by process id.
#
#   scripts/kdesession.sh start STATE_FILE PROGRAM [WIDTHxHEIGHT]
#       Starts KWin with a desktop entry that grants PROGRAM (a full path)
#       KWin's fake input and screenshots, waits until it takes clients, and
#       writes WAYLAND_DISPLAY (the socket's full path), KWIN_PID (the leader
#       of its process group), SESSION_DIR, SESSION_RUNTIME and
#       DBUS_SESSION_BUS_ADDRESS (KWin's own bus) to STATE_FILE.
#   scripts/kdesession.sh stop STATE_FILE
#       Stops the compositor named in STATE_FILE and removes it.
#
# KWin runs as whoever runs this, root included: it finds a client's desktop
# entry through /proc/PID/exe, which it can read only for its own user's
# processes (or all, as root).
set -euo pipefail

readonly default_size=1280x1024

session_script=kdesession.sh
session_packages=wayland
# shellcheck source=scripts/session_common.sh
source "$(dirname "$0")/session_common.sh"

start() {
  local state_file=$1 program=$2 size=${3:-$default_size}
  need kwin_wayland
  need dbus-run-session
  [ -x "$program" ] || die "$program is not a program"
  mkdir -p "$(dirname "$state_file")"
  local log="$state_file.log"

  local session home runtime
  session=$(mktemp -d /tmp/scrivlet-kwin.XXXXXX)
  home="$session/home"
  runtime="$session/run"
  mkdir -p "$home/.local/share/applications" "$runtime"
  chmod 0700 "$runtime"
  # KWin offers its fake input and its screenshots only to the program whose
  # desktop entry declares them, matched by the full path in Exec=.
  printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Scrivlet test' \
    "Exec=$(realpath "$program")" \
    'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' \
    'X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2' \
    >"$home/.local/share/applications/scrivlet-test.desktop"
  # Debian's kwin_wayland carries the file capability cap_sys_resource;
  # where the container's bounding set lacks it, exec fails with EPERM.
  # A plain copy has no capabilities and runs everywhere.
  cp "$(command -v kwin_wayland)" "$session/kwin_wayland"

  local width=${size%x*} height=${size#*x}
  # The test reaches KWin's screenshots on KWin's private bus: its address
  # is written where the state file can name it, by a shell inside the bus
  # session (hence the single quotes).
  # shellcheck disable=SC2016
  env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=offscreen \
    setsid dbus-run-session -- sh -c \
    'printf "%s\n" "$DBUS_SESSION_BUS_ADDRESS" >"$1.part" && mv "$1.part" "$1" && shift && exec "$@"' \
    sh "$session/bus-address" "$session/kwin_wayland" --virtual \
    --width "$width" --height "$height" --socket wayland-kde \
    --no-lockscreen --no-global-shortcuts --no-kactivities \
    </dev/null >"$log" 2>&1 &
  local kwin_pid=$!
  if ! wait_for test -S "$runtime/wayland-kde" || ! wait_for test -s "$session/bus-address"; then
    stop_pid "$kwin_pid"
    rm -rf "$session"
    die "kwin_wayland did not start (see $log)"
  fi
  printf '%s\n' "WAYLAND_DISPLAY=$runtime/wayland-kde" "KWIN_PID=$kwin_pid" \
    "SESSION_DIR=$session" "SESSION_RUNTIME=$runtime" \
    "DBUS_SESSION_BUS_ADDRESS=$(cat "$session/bus-address")" >"$state_file"
  echo "KDE session $runtime/wayland-kde (kwin $kwin_pid)"
}

stop() {
  local state_file=$1 KWIN_PID='' SESSION_DIR=''
  [ -f "$state_file" ] || return 0
  # shellcheck disable=SC1090
  source "$state_file"
  # KWIN_PID leads the process group of dbus-run-session, its bus and
  # KWin: all of them go.
  local tries=0
  kill -- "-$KWIN_PID" 2>/dev/null || true
  while kill -0 -- "-$KWIN_PID" 2>/dev/null; do
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
      kill -KILL -- "-$KWIN_PID" 2>/dev/null || true
      break
    fi
    sleep 0.05
  done
  case "$SESSION_DIR" in /tmp/scrivlet-kwin.*) rm -rf "$SESSION_DIR" ;; esac
  rm -f "$state_file"
}

command=${1:-}
[ -n "$command" ] || die "usage: kdesession.sh start|stop ..."
shift
case "$command" in
  start) [ $# -ge 2 ] || die "usage: kdesession.sh start STATE_FILE PROGRAM [WxH]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: kdesession.sh stop STATE_FILE"; stop "$1" ;;
  *) die "unknown command '$command'" ;;
esac
