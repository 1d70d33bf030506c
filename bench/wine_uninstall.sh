#!/usr/bin/env bash
# Under Wine: the installed uninstaller removes a tree of up to 2,000 files
# (its own installation, made by setup.exe through the UI driver before each
# run; the corpus cuts 60 MiB into about 1,600 files, the row says how many)
# against `rm -r` of a copy of the same tree on the host and
# `wine cmd /c rd /s /q` of another copy inside the same prefix. Only the
# removal is timed: from the start of the uninstaller to its exit (the
# self-removal batch file runs after it and is not counted). Prints ROW
# lines for tools/bench.sh.
#
#   bench/wine_uninstall.sh <win32 build dir> <host bench build dir> [files] [MiB]
#
# The prefix is a copy of the Wine suite's NT 4.0 prefix when that one is
# ready (/tmp/e2e-wine), otherwise a new one; it lives under
# /tmp/bench-wine-uninstall and is removed at the end.
set -euo pipefail
win32=$(cd "$1" && pwd)
host=$(cd "$2" && pwd)
files=${3:-2000}
mib=${4:-60}
runs=${BENCH_RUNS:-5}
work=/tmp/bench-wine-uninstall
. "$(dirname "$0")/../tools/wine-prefix.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$work/prefix"

for tool in wine Xvfb; do
  command -v "$tool" >/dev/null || { printf 'ROW\tWine uninstall\tskipped\t-\t-\t%s missing\n' "$tool"; exit 0; }
done
[ -f "$win32/tests/e2e/win32/uidriver.exe" ] || {
  printf 'ROW\tWine uninstall\tskipped\t-\t-\tno uidriver.exe in %s\n' "$win32"; exit 0; }

xvfb_pid=""
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work" && mkdir -p "$work"
wine_scratch_home "$work"

start_xvfb 200 229 "$work/xvfb.log" || { printf 'ROW\tWine uninstall\tskipped\t-\t-\tno virtual display\n'; exit 0; }

bench_nt40_prefix "$WINEPREFIX"
wineserver -p  # one server for every run, so no run pays its start

c="$WINEPREFIX/drive_c"
mkdir -p "$c/bench"
read -r count bytes < <("$host/bench/bench_wine_package" "$win32/setup.exe" "$c/bench/SETUP.EXE" \
  "$c/bench/tree" "$mib" "$files")
rm -rf "$c/bench/tree"
cp "$win32/tests/e2e/win32/uidriver.exe" "$c/bench/uidriver.exe"
cat >"$c/bench/install.script" <<'S'
run C:\bench\SETUP.EXE
timeout 600
main Install C:\BENCHAPP
progress
box OK
S
cat >"$c/bench/uninstall.script" <<'S'
run C:\BENCHAPP\UNINST.EXE
timeout 600
box Yes
progress
box OK
S
wine cmd /c ver >/dev/null 2>&1 || true  # warm up

now() { date +%s.%N; }
ours=() rm=() rd=() failed=""
for _ in $(seq 1 "$runs"); do
  rm -rf "$c/BENCHAPP" "$c/RMTREE" "$c/RDTREE"
  (cd "$c/bench" && wine uidriver.exe install.script install.out >/dev/null 2>&1) || true
  grep -q '^exit|0$' "$c/bench/install.out" 2>/dev/null || failed="; AN INSTALLATION FAILED"
  cp -a "$c/BENCHAPP" "$c/RMTREE"
  cp -a "$c/BENCHAPP" "$c/RDTREE"
  sync
  t0=$(now)
  (cd "$c/bench" && wine uidriver.exe uninstall.script uninstall.out >/dev/null 2>&1) || true
  t1=$(now)
  grep -q '^exit|0$' "$c/bench/uninstall.out" 2>/dev/null || failed="$failed; AN UNINSTALLATION FAILED: $(tr '\n' ' ' <"$c/bench/uninstall.out" 2>/dev/null | cut -c1-200)"
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  t0=$(now)
  rm -r "$c/RMTREE"
  t1=$(now)
  rm+=("$(echo "$t1 - $t0" | bc -l)")
  t0=$(now)
  wine cmd /c rd /s /q 'C:\RDTREE' >/dev/null 2>&1 || failed="$failed; rd failed"
  t1=$(now)
  rd+=("$(echo "$t1 - $t0" | bc -l)")
  [ -e "$c/RDTREE" ] && failed="$failed; rd left the tree"
  # The self-removal batch file takes the uninstaller and the directory.
  for _ in $(seq 1 100); do [ -e "$c/BENCHAPP" ] || break; sleep 0.1; done
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
o=$(median "${ours[@]}")
r=$(median "${rm[@]}")
d=$(median "${rd[@]}")
printf 'ROW\tWine NT 4.0: the uninstaller removes %d files, %.1f MiB\t%.2f s\t%.2f s (rm -r)\t%.2fx\trm -r of a copy of the same tree on the host; above 1 is faster; %.0f us per file; includes the UI driver answering the question and the closing box%s\n' \
  "$count" "$(echo "$bytes / 1048576" | bc -l)" "$o" "$r" "$(echo "$r / $o" | bc -l)" \
  "$(echo "$o * 1000000 / $count" | bc -l)" "$failed"
printf 'ROW\tWine NT 4.0: the uninstaller removes %d files, %.1f MiB\t%.2f s\t%.2f s (wine cmd /c rd /s /q)\t%.2fx\trd of a copy of the same tree in the same prefix; above 1 is faster%s\n' \
  "$count" "$(echo "$bytes / 1048576" | bc -l)" "$o" "$d" "$(echo "$d / $o" | bc -l)" "$failed"
