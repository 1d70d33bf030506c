#!/usr/bin/env bash
# Installs what both builds and the Wine suite need on a Debian machine.
# Idempotent: packages already present are not fetched again.
set -eu
need=(cmake ninja-build g++ clang libgtest-dev libgmock-dev
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 xvfb imagemagick mscompress libmspack-dev xauth)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
