#!/usr/bin/env bash
# Runs a Windows test program under Wine for ctest. When several programs
# start at once, Wine now and then fails to start one at all: it exits at once
# and prints nothing. Only that case is tried again, up to three times; a
# program that ran and failed is never retried.
set -u
status=1
for attempt in 1 2 3; do
  out=$(mktemp)
  wine "$@" >"$out" 2>&1
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$out" ]; then
    cat "$out"
    rm -f "$out"
    exit "$status"
  fi
  rm -f "$out"
  echo "wine-run.sh: Wine did not start $1 (exit $status, no output), attempt $attempt" >&2
done
exit "$status"
