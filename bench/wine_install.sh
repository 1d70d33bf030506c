#!/usr/bin/env bash
# Under Wine: the real setup.exe installs a package of the corpus (every
# other file compressed) in silent mode (/S /D=..., no window, no waits for
# answers), against `xcopy` of the same files inside the same prefix, both
# started the same way (wine, one persistent wineserver). Prints ROW lines
# for tools/bench.sh.
#
#   bench/wine_install.sh <win32 build dir> <host bench build dir> [MiB] [files]
#   BENCH_COMPRESSED=none|half|all ...   which files the package compresses
#
# The prefix is a copy of the Wine suite's NT 4.0 prefix when that one is
# ready (/tmp/e2e-wine), otherwise a new one; it lives under /tmp/bench-wine
# and is removed at the end.
set -euo pipefail
win32=$(cd "$1" && pwd)
host=$(cd "$2" && pwd)
mib=${3:-40}
files=${4:-400}
runs=${BENCH_RUNS:-5}
work=/tmp/bench-wine
. "$(dirname "$0")/../tools/wine-prefix.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$work/prefix"

for tool in wine Xvfb; do
  command -v "$tool" >/dev/null || { printf 'ROW\tWine install\tskipped\t-\t-\t%s missing\n' "$tool"; exit 0; }
done

xvfb_pid=""
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work" && mkdir -p "$work"
wine_scratch_home "$work"

start_xvfb 170 199 "$work/xvfb.log" || { printf 'ROW\tWine install\tskipped\t-\t-\tno virtual display\n'; exit 0; }

bench_nt40_prefix "$WINEPREFIX"
wineserver -p  # one server for every run, so no run pays its start

c="$WINEPREFIX/drive_c"
mkdir -p "$c/bench"
read -r count bytes < <("$host/bench/bench_wine_package" "$win32/setup.exe" "$c/bench/SETUP.EXE" \
  "$c/bench/tree" "$mib" "$files")
wine cmd /c ver >/dev/null 2>&1 || true  # warm up

now() { date +%s.%N; }
ours=() theirs=() failed=""
for _ in $(seq 1 "$runs"); do
  rm -rf "$c/BENCHAPP" "$c/COPY"
  sync
  t0=$(now)
  status=0
  (cd "$c/bench" && wine SETUP.EXE /S '/D=C:\BENCHAPP' >/dev/null 2>&1) || status=$?
  t1=$(now)
  [ "$status" = 0 ] || failed="; AN INSTALLATION FAILED: exit code $status"
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  t0=$(now)
  wine xcopy 'C:\bench\tree' 'C:\COPY' /E /I /Q /Y >/dev/null 2>&1 || failed="$failed; xcopy failed"
  t1=$(now)
  theirs+=("$(echo "$t1 - $t0" | bc -l)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
o=$(median "${ours[@]}")
t=$(median "${theirs[@]}")
printf 'ROW\tWine NT 4.0: setup.exe /S installs %d files, %.1f MiB, %s compressed\t%.1f MiB/s (%.2f s)\t%.1f MiB/s (%.2f s)\t%.2fx\twine xcopy of the same files in the same prefix; above 1 is faster%s\n' \
  "$count" "$(echo "$bytes / 1048576" | bc -l)" "${BENCH_COMPRESSED:-half}" "$(echo "$bytes / 1048576 / $o" | bc -l)" "$o" \
  "$(echo "$bytes / 1048576 / $t" | bc -l)" "$t" "$(echo "$t / $o" | bc -l)" "$failed"
