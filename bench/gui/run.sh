#!/usr/bin/env bash
# The GUI benchmark: builds the shipped program and the driver (release preset), makes the Wine
# prefix and runs the driver on a private X display. Its last lines read, for each n and for one
# and four runs:
#   gui n=<n> runs=<k> run_seconds=<s> floor_seconds=<s> ratio=<r> key_wait_max_ms=<ms> key_wait_median_ms=<ms>
# and then: gui n=<n> close_seconds=<s> exit_code=<c>
# and: gui n=<n> peak_working_set_mib=<m> box_text_mib=<m> peak_ratio=<r>
#
# Usage: bench/run gui [repetitions] [n...]
# Environment: VARNEL_BUILD_DIR (default build/release); Wine's: scripts/wine-env.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
build=${VARNEL_BUILD_DIR:-build/release}

cmake --preset release -B "$build" >/dev/null
cmake --build "$build" -j2 --target varnel varnel_gui_bench >/dev/null

# The driver starts the varnel.exe that lies beside it.
exec scripts/wine-session.sh scripts/wine-run "$build/varnel_gui_bench.exe" "" "$@"
