#!/usr/bin/env bash
# Makes the project's Wine prefix (build/wineprefix) once: Chinese locale, and every program inside
# one 1366 by 768 Wine desktop, so that windows get the caption and frame that Windows draws and the
# screen has one fixed size. Needs a display (scripts/display.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/wineprefix}
marker="$WINEPREFIX/.varnel-ready"

if [ ! -e "$marker" ]; then
  mkdir -p "$WINEPREFIX"
  "$here/wine-run" wineboot -i >/dev/null 2>&1 || true
  "$here/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$here/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1366x768 /f >/dev/null 2>&1
  wineserver -w
  touch "$marker"
fi

# Wine draws the caption buttons with glyphs of the Marlett font; without it the close button shows
# the letter "r". Debian's fonts-wine ships Wine's own marlett.ttf in /usr/share/wine/fonts, but
# Debian's Wine does not load fonts from there (it looks one folder up, in /usr/share/fonts, and
# fontconfig does not list the folder either). Wine loads every font in the prefix's Fonts folder.
marlett=/usr/share/wine/fonts/marlett.ttf
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -e "$fonts/marlett.ttf" ]; then
  if [ -f "$marlett" ]; then
    cp "$marlett" "$fonts/"
  else
    echo "wine-prefix.sh: no $marlett (package fonts-wine): caption buttons will show letters" >&2
  fi
fi
