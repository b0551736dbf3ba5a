#!/usr/bin/env bash
# Installs, with apt-get only, what building and testing Varnel needs on Debian 12.
# Run it twice and the second run changes nothing.
set -euo pipefail

packages=(
  cmake g++ make ninja-build
  clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  xvfb xauth x11-utils
  fonts-wqy-microhei fonts-wine
  imagemagick
  locales
  gawk grep time
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: zh_CN.UTF-8 gives 936, as on the users' systems.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  "${sudo[@]}" sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN\.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo[@]}" locale-gen
fi
