#!/usr/bin/env bash
# A headless GNOME compositor for tests: mutter on its headless backend with
# one virtual monitor, its own session bus, and PipeWire with its session
# manager (mutter's screen cast, which its remote-desktop API needs and
# which shows the pointer, streams through PipeWire), all started in the
# background and stopped again by process id.
#
#   scripts/gnomesession.sh start STATE_FILE
#       Starts them, waits until mutter takes clients and offers its
#       remote-desktop API, and writes XDG_RUNTIME_DIR, WAYLAND_DISPLAY
#       (the socket's full path) and DBUS_SESSION_BUS_ADDRESS to STATE_FILE.
#   scripts/gnomesession.sh stop STATE_FILE
#       Stops what STATE_FILE names and removes it.
set -euo pipefail

session_script=gnomesession.sh
session_packages=desktop
# shellcheck source=scripts/session_common.sh
source "$(dirname "$0")/session_common.sh"

start() {
  local state_file=$1
  need mutter
  need pipewire
  need wireplumber
  need dbus-daemon
  need dbus-send
  mkdir -p "$(dirname "$state_file")"
  local log="$state_file.log" session runtime bus
  session=$(mktemp -d /tmp/scrivlet-gnome.XXXXXX)
  runtime="$session/run"
  mkdir -m 0700 "$runtime"
  bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  local address pids
  address=$(sed -n 1p <<<"$bus")
  pids=$(sed -n 2p <<<"$bus")
  # Everything started below runs in this environment only.
  local -a environment=(env -i PATH="$PATH" HOME="$session"
    XDG_RUNTIME_DIR="$runtime" DBUS_SESSION_BUS_ADDRESS="$address")
  "${environment[@]}" setsid pipewire </dev/null >"$log.pipewire" 2>&1 &
  pids="$pids $!"
  record() {
    printf '%s\n' "XDG_RUNTIME_DIR=$runtime" \
      "WAYLAND_DISPLAY=$runtime/scrivlet-gnome" \
      "DBUS_SESSION_BUS_ADDRESS=$address" "SESSION_DIR=$session" \
      "SESSION_PIDS=\"$pids\"" >"$state_file"
  }
  record
  wait_for test -S "$runtime/pipewire-0" || { stop "$state_file"; die "pipewire did not start (see $log.pipewire)"; }
  # The session manager links a program's stream to mutter's screen cast.
  "${environment[@]}" setsid wireplumber </dev/null >"$log.wireplumber" 2>&1 &
  pids="$pids $!"
  record
  "${environment[@]}" setsid mutter --headless --virtual-monitor 1280x800 \
    --wayland --no-x11 --wayland-display=scrivlet-gnome \
    </dev/null >"$log" 2>&1 &
  pids="$pids $!"
  record
  offered() {
    test -S "$runtime/scrivlet-gnome" &&
      DBUS_SESSION_BUS_ADDRESS=$address dbus-send --session --print-reply \
        --dest=org.gnome.Mutter.RemoteDesktop /org/gnome/Mutter/RemoteDesktop \
        org.freedesktop.DBus.Peer.Ping
  }
  wait_for offered || { stop "$state_file"; die "mutter did not start (see $log)"; }
}

stop() {
  local state_file=$1 pid
  [ -f "$state_file" ] || return 0
  local SESSION_PIDS='' SESSION_DIR=''
  # shellcheck source=/dev/null
  source "$state_file"
  # Mutter first, so that it does not watch its bus and PipeWire vanish.
  for pid in $(tr ' ' '\n' <<<"$SESSION_PIDS" | tac); do
    stop_pid "$pid"
  done
  [ -n "$SESSION_DIR" ] && rm -rf "$SESSION_DIR"
  rm -f "$state_file"
}

case "${1:-}" in
  start) start "$2" ;;
  stop) stop "$2" ;;
  *) die "usage: $0 start|stop STATE_FILE" ;;
esac
