#!/usr/bin/env bash
# Takes a picture of the program's window as Windows draws it, caption and frame included: starts
# varnel.exe inside Wine's 1366 by 768 desktop on a private Xvfb display, waits until the window is
# drawn, photographs the screen and cuts the window out (383 by 302 pixels, centred on the screen).
# Usage: scripts/screenshot.sh [OUTPUT.png]    (default: docs/window.png)
# Environment: VARNEL_BUILD_DIR (default build/windows), WINEPREFIX (default build/wineprefix).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
output=$(realpath -m "${1:-$root/docs/window.png}")
build=${VARNEL_BUILD_DIR:-$root/build/windows}
program="$build/varnel.exe"
[ -x "$program" ] || [ -f "$program" ] || { echo "no $program: build the windows preset first" >&2; exit 1; }

if [ "${VARNEL_SCREENSHOT_INNER:-0}" != 1 ]; then
  export VARNEL_SCREENSHOT_INNER=1
  exec "$here/display.sh" "$0" "$output"
fi

# Inside the private display from here on.
"$here/wine-prefix.sh"
shots=$(mktemp -d)
"$here/wine-run" "$program" &
program_pid=$!
stop() {
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  rm -rf "$shots"
}
trap stop EXIT

# The window stands at ((1366 - 383) / 2, (768 - 302) / 2) on the screen.
geometry=383x302+491+233
drawn=0
for _ in $(seq 120); do
  sleep 0.5
  import -window root "$shots/screen.png"
  convert "$shots/screen.png" -crop "$geometry" +repage "$shots/window.png"
  # The bare desktop is one flat colour; the drawn window has many.
  if [ "$(convert "$shots/window.png" -format %k info:)" -gt 20 ]; then
    drawn=1
    break
  fi
done
[ "$drawn" = 1 ] || { echo "the window did not appear within 60 seconds" >&2; exit 1; }
sleep 1  # let the controls finish drawing
import -window root "$shots/screen.png"
mkdir -p "$(dirname "$output")"
convert "$shots/screen.png" -crop "$geometry" +repage -strip "$output"
echo "wrote $output"
