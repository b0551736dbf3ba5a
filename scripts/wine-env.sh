# The environment of every Wine run of the project, sourced by scripts/wine-run and
# scripts/wine-session.sh: the one place that names the Wine prefix. The prefix is build/wineprefix
# unless the caller's WINEPREFIX names another. Wine installs no Mono or Gecko (there is no network)
# and prints no debug chatter.
wine_env_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$wine_env_root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset wine_env_root
