#!/usr/bin/env bash
# Runs a command where Windows programs can run under Wine: with an X display, the project's Wine
# prefix made and its environment exported (scripts/wine-env.sh). Start the programs themselves
# through scripts/wine-run. When the command ends, Wine is let end before the display goes.
#
# The display is the caller's when VARNEL_USE_DISPLAY=1 and DISPLAY is set; otherwise a private Xvfb
# display (1366 by 768, 24 bits) started for the command and stopped after it.
# The prefix is made once: Chinese locale, and every program inside one 1366 by 768 Wine desktop,
# so that windows get the caption and frame that Windows draws and the screen has one fixed size.
#
# Usage: scripts/wine-session.sh COMMAND [ARG...]    Exit status: the command's.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
[ $# -gt 0 ] || { echo "usage: scripts/wine-session.sh COMMAND [ARG...]" >&2; exit 2; }

start_display() {
  local number=90
  while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
  done
  Xvfb ":$number" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$number" ] && break
    sleep 0.1
  done
  export DISPLAY=":$number"
}

stop_display() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}

make_prefix() {
  local marker="$WINEPREFIX/.varnel-ready"
  if [ ! -e "$marker" ]; then
    mkdir -p "$WINEPREFIX"
    "$here/wine-run" wineboot -i >/dev/null 2>&1 || true
    "$here/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$here/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1366x768 /f \
      >/dev/null 2>&1
    wineserver -w
    touch "$marker"
  fi

  # Wine draws the caption buttons with glyphs of the Marlett font; without it the close button
  # shows the letter "r". Debian's fonts-wine ships Wine's own marlett.ttf in /usr/share/wine/fonts,
  # but Debian's Wine does not load fonts from there (it looks one folder up, in /usr/share/fonts,
  # and fontconfig does not list the folder either). Wine loads every font in the prefix's Fonts
  # folder.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -e "$fonts/marlett.ttf" ]; then
    if [ -f "$marlett" ]; then
      cp "$marlett" "$fonts/"
    else
      echo "wine-session.sh: no $marlett (package fonts-wine): caption buttons will show letters" >&2
    fi
  fi
}

if [ "${VARNEL_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
  start_display
  trap stop_display EXIT
fi
make_prefix
status=0
"$@" || status=$?
wineserver -w || true
exit "$status"
