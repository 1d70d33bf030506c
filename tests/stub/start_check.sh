#!/usr/bin/env bash
# The stored stub's start-up code, run for real: tests/stub/start_check.c
# lays build/win32/setup.exe out as a loader does, calls its entry point and
# compares what the start-up code expanded with setup-linked.exe's code.
# Runs the 32-bit check program directly where the kernel starts 32-bit
# programs, and under qemu-i386 where it does not.
#
#   tests/stub/start_check.sh <win32 build directory>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/start-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
gcc -m32 -static -nostdlib -ffreestanding -fno-pic -fno-stack-protector -O1 -Wall -Wextra -Werror \
  -Wl,-Ttext-segment=0x20000000 -Wl,--build-id=none "$here/start_check.c" -o "$work/start_check"
run=("$work/start_check")
"${run[@]}" /dev/null /dev/null >/dev/null 2>&1 || [ $? -eq 2 ] || run=(qemu-i386 "$work/start_check")
timeout 120 "${run[@]}" "$build/setup.exe" "$build/setup-linked.exe"
