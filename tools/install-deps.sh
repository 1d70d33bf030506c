#!/usr/bin/env bash
# Installs what both builds and the Wine suite need on a Debian machine.
# Idempotent: packages already present are not fetched again.
#
# A mirror in the middle of a sync may fail one index: apt-get update then
# reports an error but keeps the other indexes, so the run goes on. An i386
# package whose version does not match its amd64 twin in that state is
# installed again from the release suite itself.
set -eu
need=(cmake ninja-build g++ clang lld libgtest-dev libgmock-dev
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 fonts-wine xvfb imagemagick mscompress libmspack-dev xauth
      osslsigncode openssl libxml2-utils python3 bc qemu-user)
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
$sudo apt-get update -qq || echo "install-deps: apt-get update reported a failed index; going on with what it has" >&2
install() { $sudo apt-get install -y -qq --no-install-recommends "$@"; }
if ! install "${missing[@]}"; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || exit 1
  echo "install-deps: retrying against the release suite $codename" >&2
  install -t "$codename" "${missing[@]}"
fi
