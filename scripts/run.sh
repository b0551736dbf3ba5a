#!/usr/bin/env bash
# Installs what is missing, builds the shipped Windows program (release preset) and starts it under
# Wine. Uses the caller's X display when there is one; otherwise starts a private Xvfb display for
# it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target varnel
if [ -n "${DISPLAY:-}" ]; then
  export VARNEL_USE_DISPLAY=1
else
  echo "no DISPLAY: starting the tool on a private Xvfb display"
fi
exec scripts/wine-session.sh scripts/wine-run build/release/varnel.exe
