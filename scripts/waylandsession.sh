#!/usr/bin/env bash
# A virtual Wayland desktop for tests and benchmarks: sway on its headless
# backend, started in the background and stopped again by process id.
#
#   scripts/waylandsession.sh start STATE_FILE [WIDTHxHEIGHT]
#       Starts sway, waits until it takes clients, and writes
#       WAYLAND_DISPLAY (the socket's full path), SWAYSOCK, SWAY_PID, the
#       session's runtime directory and, when sway runs as another user,
#       SESSION_UID and SESSION_GID to STATE_FILE.
#   scripts/waylandsession.sh stop STATE_FILE
#       Stops the compositor named in STATE_FILE and removes it.
#   scripts/waylandsession.sh run STATE_FILE COMMAND...
#       Runs COMMAND as a client of that compositor.
#   scripts/waylandsession.sh with COMMAND...
#       Starts a private compositor, runs COMMAND on it, and stops it again.
#
# sway refuses to run as root, so as root it runs as the user
# scrivlet-test (made if missing) through setpriv. Root's clients reach it
# through the socket's full path in WAYLAND_DISPLAY; programs that must
# share the user's runtime directory with sway (the command channel that a
# key binding's exec talks to) run as that user too. The session's files
# live in a fresh directory under /tmp, which that user can reach wherever
# the build tree is.
set -euo pipefail

readonly default_size=1280x1024
readonly test_user=scrivlet-test

session_script=waylandsession.sh
session_packages=wayland
# shellcheck source=scripts/session_common.sh
source "$(dirname "$0")/session_common.sh"

# A cursor theme whose every cursor is one transparent pixel: sway draws
# the cursor into the frame on its headless backend, and there it would
# cover the very pixel a test reads back. Written as an Xcursor file:
# header, one table entry, one 1x1 image chunk.
write_transparent_cursors() {
  local dir=$1/scrivlet-transparent/cursors name
  mkdir -p "$dir"
  u32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
  {
    printf 'Xcur'
    u32 16; u32 65536; u32 1
    u32 0xfffd0002; u32 24; u32 28
    u32 36; u32 0xfffd0002; u32 24; u32 1
    u32 1; u32 1; u32 0; u32 0; u32 0
    u32 0
  } >"$dir/default"
  for name in left_ptr arrow top_left_arrow text xterm crosshair pointer \
    hand1 hand2 cross tcross pencil watch wait progress grab grabbing \
    all-scroll move fleur col-resize row-resize not-allowed; do
    ln -sf default "$dir/$name"
  done
  printf '[Icon Theme]\nName=scrivlet-transparent\n' \
    >"$1/scrivlet-transparent/index.theme"
}

# Who runs the compositor, and how to become that user.
as_user=()
prepare_user() {
  [ "$(id -u)" -eq 0 ] || return 0
  need setpriv
  if ! id "$test_user" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$test_user"
  fi
  as_user=(setpriv "--reuid=$(id -u "$test_user")" "--regid=$(id -g "$test_user")"
    --init-groups --)
}

start() {
  local state_file=$1 size=${2:-$default_size}
  need sway
  mkdir -p "$(dirname "$state_file")"
  local log="$state_file.log"
  prepare_user

  local session home runtime
  session=$(mktemp -d /tmp/scrivlet-sway.XXXXXX)
  chmod 0755 "$session"
  home="$session/home"
  runtime="$session/run"
  mkdir -p "$home/.config/sway" "$runtime"
  write_transparent_cursors "$home/.icons"
  # The output's size; no bar or wallpaper, so the screen is the windows.
  cat >"$home/.config/sway/config" <<CONF
output HEADLESS-1 mode ${size} position 0 0
default_border none
default_floating_border none
focus_follows_mouse no
seat * xcursor_theme scrivlet-transparent 24
CONF
  chmod 0700 "$runtime"
  local uid= gid=
  if [ "${#as_user[@]}" -gt 0 ]; then
    chown -R "$test_user:" "$runtime" "$home"
    uid=$(id -u "$test_user")
    gid=$(id -g "$test_user")
  fi

  env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" \
    XDG_CONFIG_HOME="$home/.config" XCURSOR_PATH="$home/.icons" \
    XCURSOR_THEME=scrivlet-transparent \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    setsid "${as_user[@]}" sway -c "$home/.config/sway/config" \
    </dev/null >"$log" 2>&1 &
  local sway_pid=$!
  local socket=
  find_socket() {
    socket=$(find "$runtime" -maxdepth 1 -name 'wayland-[0-9]*' -type s | head -n 1)
    [ -n "$socket" ] && [ -n "$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*' -type s)" ]
  }
  if ! wait_for find_socket; then
    stop_pid "$sway_pid"
    rm -rf "$session"
    die "sway did not start (see $log)"
  fi
  local swaysock
  swaysock=$(find "$runtime" -maxdepth 1 -name 'sway-ipc.*' -type s | head -n 1)
  printf '%s\n' "WAYLAND_DISPLAY=$socket" "SWAYSOCK=$swaysock" \
    "SWAY_PID=$sway_pid" "SESSION_DIR=$session" "SESSION_RUNTIME=$runtime" \
    "XCURSOR_PATH=$home/.icons" "SESSION_UID=$uid" "SESSION_GID=$gid" \
    >"$state_file"
  echo "Wayland session $socket (sway $sway_pid)"
}

read_state() {
  local state_file=$1
  [ -f "$state_file" ] || die "no Wayland session recorded in $state_file"
  WAYLAND_DISPLAY= SWAYSOCK= SWAY_PID= SESSION_DIR= SESSION_RUNTIME=
  XCURSOR_PATH= SESSION_UID= SESSION_GID=
  # shellcheck disable=SC1090
  source "$state_file"
}

stop() {
  local state_file=$1
  [ -f "$state_file" ] || return 0
  read_state "$state_file"
  stop_pid "$SWAY_PID"
  case "$SESSION_DIR" in /tmp/scrivlet-sway.*) rm -rf "$SESSION_DIR" ;; esac
  rm -f "$state_file"
}

run() {
  local state_file=$1
  shift
  read_state "$state_file"
  env -u DISPLAY WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK" \
    XCURSOR_PATH="$XCURSOR_PATH" XCURSOR_THEME=scrivlet-transparent "$@"
}

with() {
  local dir state_file status=0
  dir=$(mktemp -d)
  state_file="$dir/waylandsession.env"
  start "$state_file" >/dev/null
  run "$state_file" "$@" || status=$?
  stop "$state_file"
  rm -rf "$dir"
  return "$status"
}

command=${1:-}
[ -n "$command" ] || die "usage: waylandsession.sh start|stop|run|with ..."
shift
case "$command" in
  start) [ $# -ge 1 ] || die "usage: waylandsession.sh start STATE_FILE [WxH]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: waylandsession.sh stop STATE_FILE"; stop "$1" ;;
  run) [ $# -ge 2 ] || die "usage: waylandsession.sh run STATE_FILE COMMAND..."; run "$@" ;;
  with) [ $# -ge 1 ] || die "usage: waylandsession.sh with COMMAND..."; with "$@" ;;
  *) die "unknown command '$command'" ;;
esac
