#!/usr/bin/env bash
# Makes the project's Wine prefix (build/wineprefix) once: Chinese locale, and every program inside
# one 1366 by 768 Wine desktop, so that windows get the caption and frame that Windows draws and the
# screen has one fixed size. Needs a display (scripts/display.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/wineprefix}
marker="$WINEPREFIX/.varnel-ready"
[ -e "$marker" ] && exit 0

mkdir -p "$WINEPREFIX"
"$here/wine-run" wineboot -i >/dev/null 2>&1 || true
"$here/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$here/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1366x768 /f >/dev/null 2>&1
wineserver -w
touch "$marker"
