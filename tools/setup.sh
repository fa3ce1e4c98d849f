#!/usr/bin/env bash
# Installs the Debian packages that building and testing Tavelin needs, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ googletest mingw-w64 g++-mingw-w64-x86-64-posix clang-22 lld-22 llvm-22
          wine wine64 xvfb xdotool imagemagick x11-utils python3 openssl osslsigncode)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
