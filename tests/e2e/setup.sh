#!/usr/bin/env bash
# Prepares the Wine suite: the packages it needs, and one Wine prefix per
# Windows version (win95, nt351, nt40, win10), made once and reused.
#
#   tests/e2e/setup.sh            prefixes under $E2E_ROOT (default /tmp/e2e-wine)
#
# Idempotent: a prefix that is ready (marked by .e2e-ready) is left alone.
# A fresh prefix is made once (wineboot takes about 20 s) and copied for the
# other versions. Needs a display: run it under run.sh, or set DISPLAY.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
E2E_ROOT=${E2E_ROOT:-/tmp/e2e-wine}

"$root/tools/install-deps.sh"
. "$root/tools/wine-prefix.sh"

export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
mkdir -p "$E2E_ROOT"
wine_scratch_home "$E2E_ROOT"

base="$E2E_ROOT/prefix-base"
if [ ! -f "$base/.e2e-ready" ]; then
  rm -rf "$base"
  # No window manager under Xvfb: unmanaged windows, or Wine waits for one.
  make_wine_prefix "$base" nt40
  touch "$base/.e2e-ready"
fi

for version in win95 nt351 nt40 win10; do
  prefix="$E2E_ROOT/prefix-$version"
  # A prefix made before its user folders were unlinked is mended in place.
  [ -f "$prefix/.e2e-ready" ] && { unlink_wine_user_folders "$prefix"; continue; }
  rm -rf "$prefix"
  cp -a "$base" "$prefix"
  rm -f "$prefix/.e2e-ready"
  WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
  WINEPREFIX="$prefix" wineserver -w
  # A clean copy to start every test case from.
  touch "$prefix/.e2e-ready"
done
echo "prefixes ready under $E2E_ROOT"
