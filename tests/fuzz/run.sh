#!/usr/bin/env bash
# Builds the two libFuzzer programs with clang (ASan and UBSan) in build/fuzz
# and runs each for SECONDS seconds (default 60) from the seed corpus with the
# dictionary. Exits non-zero when a fuzzer finds a crash, a leak or a broken
# invariant; the input that did it is left in build/fuzz/artifacts.
#
#   tests/fuzz/run.sh [SECONDS] [extra libFuzzer options...]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-build/fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer -O1 -gline-tables-only"
# clang warns where gcc does not; the fuzz build must not stop on that.
flags+=" -Wno-error=tautological-constant-out-of-range-compare"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
cmake --build "$build" --target reader_fuzz run_fuzz fuzz_seeds

fuzz_dir="$build/tests/fuzz"
"$fuzz_dir/fuzz_seeds" "$fuzz_dir/seeds" >/dev/null
mkdir -p "$build/artifacts"
status=0
for target in reader run; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  inputs=("$corpus" "$fuzz_dir/seeds/$target")
  # Inputs that once broke something, kept for good (the directory may not exist).
  [ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
  echo "=== ${target}_fuzz for ${seconds} s"
  # New inputs go to the working corpus; seeds and kept regressions are read.
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
      "$fuzz_dir/${target}_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
      -dict=tests/fuzz/package.dict -max_len=65536 \
      -artifact_prefix="$build/artifacts/${target}-" -print_final_stats=1 "$@" \
      "${inputs[@]}"; then
    echo "${target}_fuzz failed: see $build/artifacts" >&2
    status=1
  fi
done
exit $status
