#!/usr/bin/env bash
# Takes a picture of the program's window in use as Windows draws it, caption and frame included:
# inside Wine's 1366 by 768 desktop on a private Xvfb display, sample_run.exe starts varnel.exe and
# runs a small removal in it; once the remaining lines are in the right box the screen is
# photographed and the window cut out (383 by 302 pixels, centred on the screen).
# Usage: scripts/screenshot.sh [OUTPUT.png]    (default: docs/window.png)
# Environment: VARNEL_BUILD_DIR (default build/release); Wine's: scripts/wine-env.sh.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
output=$(realpath -m "${1:-$root/docs/window.png}")
build=${VARNEL_BUILD_DIR:-$root/build/release}
for program in "$build/varnel.exe" "$build/sample_run.exe"; do
  [ -f "$program" ] || { echo "no $program: build the release preset first" >&2; exit 1; }
done

if [ "${VARNEL_SCREENSHOT_INNER:-0}" != 1 ]; then
  export VARNEL_SCREENSHOT_INNER=1
  exec "$here/wine-session.sh" "$0" "$output"
fi

# Inside the private display, with the Wine prefix made, from here on.
shots=$(mktemp -d)
# The sample run keeps the window open while its input stays open: the script holds the fifo's
# writing end until the picture is taken.
mkfifo "$shots/hold"
"$here/wine-run" "$build/sample_run.exe" <"$shots/hold" >"$shots/run.out" &
run_pid=$!
exec 3>"$shots/hold"
stop() {
  exec 3>&- 2>/dev/null || true
  wait "$run_pid" 2>/dev/null || true
  rm -rf "$shots"
}
trap stop EXIT

ready=0
for _ in $(seq 120); do
  grep -q '^ready' "$shots/run.out" 2>/dev/null && { ready=1; break; }
  kill -0 "$run_pid" 2>/dev/null || break
  sleep 0.5
done
[ "$ready" = 1 ] || { echo "the sample run did not get ready within 60 seconds" >&2; exit 1; }
sleep 1  # let the controls finish drawing

# The window stands at ((1366 - 383) / 2, (768 - 302) / 2) on the screen.
import -window root "$shots/screen.png"
mkdir -p "$(dirname "$output")"
convert "$shots/screen.png" -crop 383x302+491+233 +repage -strip "$output"
exec 3>&-
wait "$run_pid" || { echo "the sample run failed" >&2; exit 1; }
echo "wrote $output"
