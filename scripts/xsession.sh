#!/usr/bin/env bash
# A virtual X desktop for tests and benchmarks: Xvfb with a window manager,
# started in the background and stopped again by process id.
#
# XSESSION_WM picks the window manager: openbox (the default; nothing is
# composited) or mutter (GNOME's compositing window manager in X11 mode, on
# a session bus of its own, as people really draw).
#
#   scripts/xsession.sh start STATE_FILE [WIDTHxHEIGHT]
#       Starts them, waits until the window manager runs, and writes
#       DISPLAY, XVFB_PID, WM_PID (and DBUS_PID, DBUS_SESSION_BUS_ADDRESS)
#       to STATE_FILE.
#   scripts/xsession.sh stop STATE_FILE
#       Stops the processes named in STATE_FILE and removes it.
#   scripts/xsession.sh run STATE_FILE COMMAND...
#       Runs COMMAND on the desktop named in STATE_FILE.
#   scripts/xsession.sh with COMMAND...
#       Starts a private desktop, runs COMMAND on it, and stops it again.
set -euo pipefail

readonly default_size=1280x1024

session_script=xsession.sh
session_packages=desktop
# shellcheck source=scripts/session_common.sh
source "$(dirname "$0")/session_common.sh"

window_manager_running() {
  DISPLAY=$1 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'
}

start() {
  local state_file=$1 size=${2:-$default_size}
  need Xvfb
  need openbox
  need xprop
  local dir
  dir=$(dirname "$state_file")
  mkdir -p "$dir"
  local log="$state_file.log" number_file
  number_file=$(mktemp "$dir/.xsession-display.XXXXXX")

  # -displayfd picks a free display number and reports it once the server
  # accepts connections, so parallel sessions never collide. The servers'
  # output goes to a log file: an inherited pipe would keep ctest waiting.
  setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset \
    3>"$number_file" </dev/null >"$log" 2>&1 &
  local xvfb_pid=$!
  if ! wait_for grep -q '[0-9]' "$number_file"; then
    stop_pid "$xvfb_pid"
    rm -f "$number_file"
    die "Xvfb did not start (see $log)"
  fi
  local display=":$(tr -dc '0-9' <"$number_file")"
  rm -f "$number_file"

  # Window managers read ~/.config; a private home keeps their defaults.
  local wm_home="$dir/.xsession-home"
  mkdir -p "$wm_home"
  local wm=${XSESSION_WM:-openbox} dbus_pid= dbus_address=
  local wm_command=(openbox --sm-disable)
  if [ "$wm" = mutter ]; then
    need mutter
    need dbus-daemon
    # mutter wants a session bus; a private one is stopped with the rest.
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 \
      </dev/null 2>>"$log") || {
      stop_pid "$xvfb_pid"
      die "dbus-daemon did not start (see $log)"
    }
    dbus_address=$(sed -n 1p <<<"$bus")
    dbus_pid=$(sed -n 2p <<<"$bus")
    wm_command=(mutter --x11 --replace --sm-disable)
  elif [ "$wm" != openbox ]; then
    stop_pid "$xvfb_pid"
    die "unknown window manager '$wm' (openbox or mutter)"
  fi
  DISPLAY=$display HOME=$wm_home DBUS_SESSION_BUS_ADDRESS=$dbus_address \
    setsid "${wm_command[@]}" </dev/null >>"$log" 2>&1 &
  local wm_pid=$!
  if ! wait_for window_manager_running "$display"; then
    stop_pid "$wm_pid"
    stop_pid "$dbus_pid"
    stop_pid "$xvfb_pid"
    die "$wm did not start on $display (see $log)"
  fi

  printf 'DISPLAY=%s\nXVFB_PID=%s\nWM_PID=%s\nDBUS_PID=%s\nDBUS_SESSION_BUS_ADDRESS=%s\n' \
    "$display" "$xvfb_pid" "$wm_pid" "$dbus_pid" "$dbus_address" >"$state_file"
  echo "X session $display (Xvfb $xvfb_pid, $wm $wm_pid)"
}

read_state() {
  local state_file=$1
  [ -f "$state_file" ] || die "no X session recorded in $state_file"
  DISPLAY= XVFB_PID= WM_PID= DBUS_PID= DBUS_SESSION_BUS_ADDRESS=
  # shellcheck disable=SC1090
  source "$state_file"
}

stop() {
  local state_file=$1
  [ -f "$state_file" ] || return 0
  read_state "$state_file"
  stop_pid "$WM_PID"
  stop_pid "$XVFB_PID"
  stop_pid "$DBUS_PID"
  rm -f "$state_file"
}

run() {
  local state_file=$1
  shift
  read_state "$state_file"
  if [ -n "$DBUS_SESSION_BUS_ADDRESS" ]; then
    DISPLAY=$DISPLAY DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS "$@"
  else
    DISPLAY=$DISPLAY "$@"
  fi
}

with() {
  local dir state_file status=0
  dir=$(mktemp -d)
  state_file="$dir/xsession.env"
  start "$state_file" >/dev/null
  run "$state_file" "$@" || status=$?
  stop "$state_file"
  rm -rf "$dir"
  return "$status"
}

command=${1:-}
[ -n "$command" ] || die "usage: xsession.sh start|stop|run|with ..."
shift
case "$command" in
  start) [ $# -ge 1 ] || die "usage: xsession.sh start STATE_FILE [WxH]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: xsession.sh stop STATE_FILE"; stop "$1" ;;
  run) [ $# -ge 2 ] || die "usage: xsession.sh run STATE_FILE COMMAND..."; run "$@" ;;
  with) [ $# -ge 1 ] || die "usage: xsession.sh with COMMAND..."; with "$@" ;;
  *) die "unknown command '$command'" ;;
esac
