#!/usr/bin/env bash
# The benchmarks, side by side with their baselines measured in the same
# run, as one table. Each figure is the median of BENCH_RUNS runs (default
# 5). Takes about 15 minutes; nothing here runs in the test command.
#
#   tools/bench.sh                 every figure
#   tools/bench.sh szdd install    only some: stub szdd install wine uninstall wineuninstall
#   BENCH_QUICK=1 tools/bench.sh   smaller inputs, for trying the script out
#
# Builds: build/win32 (the stub, MinSizeRel) and build/bench (the host
# benchmark programs, Release). The table also goes to build/bench/table.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
figures=${*:-stub szdd install wine uninstall wineuninstall}
jobs=$(nproc)
want() { [[ " $figures " == *" $1 "* ]]; }

if [ -n "${BENCH_QUICK:-}" ]; then
  szdd_mib=8 install_mib=20 install_files=200 wine_mib=8 wine_files=80 counts="250 500 1000"
else
  szdd_mib=64 install_mib=200 install_files=2000 wine_mib=40 wine_files=400 counts="1000 2000 5000 20000"
fi

echo "=== building" >&2
if want stub || want wine || want wineuninstall; then
  cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" >/dev/null
fi
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j "$jobs" --target bench_szdd bench_install bench_uninstall bench_wine_package >/dev/null

rows=build/bench/rows.txt
: >"$rows"
run() {
  echo "=== $1" >&2
  shift
  "$@" | grep --line-buffered '^ROW' | tee -a "$rows" >&2 || true
}
start=$(date +%s)
. tools/wine-prefix.sh
if ! machine_runs_32_bit_code; then
  for figure in wine wineuninstall; do
    want $figure || continue
    printf 'ROW\tWine figures (%s)\tnot run\t-\t-\tthis machine starts no 32-bit programs (IA-32 emulation off), so Wine cannot run setup.exe\n' \
      "$figure" | tee -a "$rows" >&2
  done
  figures=${figures//wineuninstall/}
  figures=${figures//wine/}
fi
want stub && run "stub size" bench/stub_size.sh build/win32
want szdd && run "SZDD codec (${szdd_mib} MiB corpus)" build/bench/bench/bench_szdd "$szdd_mib"
want install && run "install on the simulated Windows" \
  build/bench/bench/bench_install "$install_mib" "$install_files"
want wine && run "install under Wine" bench/wine_install.sh build/win32 build/bench "$wine_mib" "$wine_files"
# shellcheck disable=SC2086
want uninstall && run "RemoveDirectoryFiles" build/bench/bench/bench_uninstall $counts
want wineuninstall && run "uninstall under Wine" bench/wine_uninstall.sh build/win32 build/bench 2000 60
seconds=$(( $(date +%s) - start ))

table=build/bench/table.md
{
  echo "| Figure | Ours | Baseline | Ratio | Note |"
  echo "|---|---|---|---|---|"
  awk -F '\t' '{ printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }' "$rows"
  echo
  echo "Median of ${BENCH_RUNS:-5} runs each; measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) CPUs in ${seconds} s."
} >"$table"
echo
cat "$table"
