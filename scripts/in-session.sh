#!/bin/sh
# Runs a command with some variables of a test session taken from the state
# file its script wrote (NAME=value lines; scripts/xsession.sh and others).
# Usage: scripts/in-session.sh STATE_FILE NAME[,NAME...] COMMAND [ARGUMENTS]
# Without the file the environment stays as it is: ctest lists the tests
# before any session has started.
set -eu
file=$1
names=$2
shift 2
if [ -f "$file" ]; then
  for name in $(echo "$names" | tr , ' '); do
    grep -q "^$name=" "$file" || { echo "in-session.sh: no $name in $file" >&2; exit 1; }
    export "$name=$(sed -n "s/^$name=//p" "$file")"
  done
fi
exec "$@"
