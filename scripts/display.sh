#!/usr/bin/env bash
# Runs a command with an X display: the caller's DISPLAY when VARNEL_USE_DISPLAY=1, otherwise a
# private Xvfb display (1366 by 768, 24 bits) that is started for the command and stopped after it.
# Usage: scripts/display.sh COMMAND [ARG...]
set -euo pipefail

if [ "${VARNEL_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

number=90
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
stop() { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
trap stop EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$number" ] && break
  sleep 0.1
done
export DISPLAY=":$number"
"$@"
