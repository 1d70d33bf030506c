#!/usr/bin/env bash
# The stub's size: bytes of setup.exe, its sections, the functions it
# imports per library, what each linked part costs (from a link map of the
# same link command), and what each feature listed in bench/stub_features.txt
# costs. Prints ROW lines for tools/bench.sh.
#
#   bench/stub_size.sh <win32 build directory>
#   STUB_FEATURES=<file> bench/stub_size.sh ...   another list of features
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
exe="$build/setup.exe"
[ -f "$exe" ] || { echo "no $exe" >&2; exit 1; }
objdump=i686-w64-mingw32-objdump
size=$(stat -c %s "$exe")
printf 'ROW\tStub size, setup.exe\t%d bytes (%.1f KiB)\t32768 bytes (target)\t%.2fx\tbelow 1 meets the target\n' \
  "$size" "$(echo "$size / 1024" | bc -l)" "$(echo "$size / 32768" | bc -l)"

# Sections as stored in the file.
$objdump -h "$exe" | while read -r idx name hexsize _; do
  [[ "$idx" =~ ^[0-9]+$ ]] || continue
  printf 'ROW\tStub section %s\t%d bytes\t-\t-\tsize of the section\n' "$name" "$((16#$hexsize))"
done

# The program as linked, before its code and constant data were packed.
if [ -f "$build/setup-linked.exe" ]; then
  linked=$(stat -c %s "$build/setup-linked.exe")
  printf 'ROW\tStub as linked, setup-linked.exe (before packing)\t%d bytes\t-\t%.2fx\tsetup.exe is this size times the ratio\n' \
    "$linked" "$(echo "$size / $linked" | bc -l)"
fi

# Imported functions per library.
$objdump -p "$exe" | awk '
  /DLL Name:/ { dll = $3; next }
  /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ && dll != "" { n[dll]++ }
  END { for (d in n) printf "ROW\tStub imports from %s\t%d functions\t-\t-\timport table\n", d, n[d] }' | sort

# What each part of the link costs: the same link command with a map.
map=$(mktemp /tmp/bench-stub-XXXXXX.map)
cmd=$(ninja -C "$build" -t commands setup_linked | tail -1)
out=$(mktemp /tmp/bench-stub-XXXXXX.exe)
cmd=${cmd%&& :}
cmd=${cmd#: && }
cmd=${cmd/ -o setup-linked.exe / -o $out }
cmd=${cmd/-Wl,--out-implib,libsetup-linked.dll.a/}
(cd "$build" && eval "$cmd -Wl,-Map,$map") >/dev/null 2>&1 || {
  echo "relinking with a map failed" >&2; rm -f "$map" "$out"; exit 0; }
python3 - "$map" <<'PY'
import re, sys, collections
text = open(sys.argv[1], errors="replace").read()
start = text.find("Linker script and memory map")
lines = text[start:].splitlines()
sizes = collections.Counter()
pending = None
kept = (".text", ".rdata", ".data", ".eh_frame", ".idata", ".rsrc", ".CRT", ".tls", ".pdata", ".xdata", ".unpack")
def part(path, section):
    if section.startswith(".rsrc"):
        return "resources: dialogs, icons, version"
    if "ltrans" in path:
        return "our code, optimised at link time as one unit"
    m = re.search(r"/src/(\w+)/", path) or re.search(r"src/(\w+)/", path)
    if m and ".a(" not in path:
        return "our code: src/%s" % m.group(1)
    m = re.search(r"([^/]+\.a)\(", path)
    if m:
        return "library " + m.group(1)
    return "other: " + path.rsplit("/", 1)[-1]
for line in lines:
    m = re.match(r"^ (\.[\w$.]+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
    if not m and pending:
        m2 = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m2:
            m = (pending, m2.group(1), m2.group(2), m2.group(3))
        pending = None
    elif not m:
        m1 = re.match(r"^ (\.[\w$.]+)\s*$", line)
        pending = m1.group(1) if m1 else None
        continue
    if m is None:
        continue
    section, address, size, path = m if isinstance(m, tuple) else m.groups()
    if int(address, 16) == 0 or not section.startswith(kept):
        continue
    sizes[part(path.strip(), section)] += int(size, 16)
for name, size in sorted(sizes.items(), key=lambda kv: -kv[1]):
    if size:
        print("ROW\tStub part: %s\t%d bytes\t-\t-\tsections taken into the image (before alignment)" % (name, size))
PY
rm -f "$map" "$out"

# What each feature costs: setup.exe built from the tree without it and with
# it, one line per feature in the list ("name|revision without|revision
# with", see bench/stub_features.txt). Each revision is exported with
# `git archive` into /tmp and built once (the build stays there, named by its
# commit); this checkout is not touched. The file grows in steps of the file
# alignment (512 bytes), so the bytes the sections hold are shown as well.
content() {  # bytes the sections of a PE file hold in the file (not those only in memory)
  $objdump -h "$1" | awk '
    function hex(text,   i, n) { n = 0; for (i = 1; i <= length(text); i++) n = n * 16 + index("0123456789abcdef", substr(tolower(text), i, 1)) - 1; return n }
    $1 ~ /^[0-9]+$/ { size = hex($3); next }
    size != "" { if ($0 ~ /CONTENTS/) total += size; size = "" }
    END { print total + 0 }'
}
stub_at() {  # prints the path of setup.exe built at a revision
  local commit dir
  commit=$(git -C "$here/.." rev-parse --verify -q "$1^{commit}") || return 1
  dir=/tmp/stub-at-$commit
  if [ ! -f "$dir/src/build/win32/setup.exe" ]; then
    rm -rf "$dir" && mkdir -p "$dir/src"
    git -C "$here/.." archive "$commit" | tar -x -C "$dir/src"
    (cd "$dir/src" && cmake --preset win32 >/dev/null && cmake --build build/win32 --target setup >/dev/null) ||
      return 1
  fi
  echo "$dir/src/build/win32/setup.exe"
}
features=${STUB_FEATURES:-$here/stub_features.txt}
[ -f "$features" ] || exit 0
while IFS='|' read -r name without with; do
  [[ -z "${name// /}" || "$name" == \#* ]] && continue
  if ! before=$(stub_at "$without") || ! after=$(stub_at "$with"); then
    printf 'ROW\tStub feature: %s\tnot measured\t-\t-\ta revision did not build: %s, %s\n' "$name" "$without" "$with"
    continue
  fi
  b=$(stat -c %s "$before") a=$(stat -c %s "$after")
  printf 'ROW\tStub feature: %s\t%+d bytes (%+d in sections)\t%d bytes without it\t-\tsetup.exe built at %s against %s\n' \
    "$name" $((a - b)) $(($(content "$after") - $(content "$before"))) "$b" "$with" "$without"
done <"$features"
