# Helpers shared by the test-desktop scripts (xsession.sh, waylandsession.sh):
# sourced, not run. The sourcing script sets `session_script` (its name, for
# messages) and `session_packages` (the deps.sh group that installs what it
# runs) first.

die() {
  echo "$session_script: $*" >&2
  exit 1
}

need() {
  command -v "$1" >/dev/null 2>&1 ||
    die "$1 is missing (install the packages: scripts/deps.sh $session_packages)"
}

# Waits up to ~10 s for a command to succeed.
wait_for() {
  local tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 200 ] || return 1
    sleep 0.05
  done
}

# True while the process runs; an exited one that its parent has not reaped
# yet (a zombie) counts as gone.
running() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Asks a process to end, and kills it if it has not within ~5 s.
stop_pid() {
  local pid=$1 tries=0
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  while running "$pid"; do
    tries=$((tries + 1))
    if [ "$tries" -ge 100 ]; then
      kill -KILL "$pid" 2>/dev/null || true
      return 0
    fi
    sleep 0.05
  done
}
