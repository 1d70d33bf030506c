#!/usr/bin/env bash
# Runs every test of the project from a fresh clone on a Debian machine:
# installs what is missing, builds the host tests (plain and with ASan/UBSan),
# the Windows stub, runs the fuzzers briefly and the Wine end-to-end suite.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
step() { printf '\n=== %s\n' "$*"; }

step "host build and tests"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
ctest --test-dir build/host --output-on-failure -j "$jobs"

step "host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/host-asan --output-on-failure -j "$jobs"

if [ -x tests/fuzz/run.sh ]; then
  step "fuzzers (short run)"
  tests/fuzz/run.sh 60
fi

step "Windows stub (MinGW-w64, i686)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
ls -l build/win32/setup.exe

step "the stored stub's start-up code expands the linked program"
tests/stub/start_check.sh build/win32

if [ -x tests/e2e/run.sh ]; then
  step "end-to-end under Wine"
  . tools/wine-prefix.sh
  if machine_runs_32_bit_code; then
    tests/e2e/run.sh
  else
    echo "NOT RUN: this machine starts no 32-bit programs (its kernel has IA-32 emulation"
    echo "turned off: $(dmesg 2>/dev/null | grep -m1 -i 'ia-32 emulation\|32-bit emulation' || echo 'exec of an i386 program fails')),"
    echo "so Wine cannot run setup.exe here; the end-to-end suite needs a machine that does."
  fi
fi
