#!/usr/bin/env bash
# pkgbuild on a 200 MB product: wall time and peak memory (/usr/bin/time -v)
# against `tar | gzip -6` of the same tree, in one run.
#
#   bench/pkgbuild_scale.sh PKGBUILD STUB [WORK]
#
# The product: 2,000 files of 100 KiB, three in four text of random words
# (compressible), one in four random bytes (stored plain). WORK (default a
# temporary directory) keeps the tree between runs.
set -euo pipefail
pkgbuild=$1 stub=$2 work=${3:-$(mktemp -d /tmp/bench-pkgbuild.XXXXXX)}
mkdir -p "$work"
if [ ! -f "$work/tree/product.setup" ]; then
  python3 - "$work/tree" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(7)
os.makedirs(root + '/files', exist_ok=True)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 9))) for _ in range(3000)]
lines = ['[Setup]', 'Title=Bench', 'MainText=Bench', 'FinishedText=Done', 'DefaultDir=Bench', '[Files]']
for i in range(2000):
    size = 102400
    name = 'f%04d.%s' % (i, 'bin' if i % 4 == 3 else 'txt')
    if i % 4 == 3:
        data = os.urandom(size)
    else:
        out, n = [], 0
        while n < size:
            w = random.choice(words) + (' ' if random.random() < 0.9 else '\n')
            out.append(w)
            n += len(w)
        data = ''.join(out).encode()[:size]
    open(root + '/files/' + name, 'wb').write(data)
    lines.append('Source: "files/%s"' % name)
open(root + '/product.setup', 'w').write('\n'.join(lines) + '\n')
PY
fi
figure() {  # figure NAME TIMEFILE
  awk -v n="$1" -F': ' '/Elapsed/ { t = $2 } /Maximum resident/ { m = $2 }
    END { printf "%s: %s wall, peak %.1f MiB\n", n, t, m / 1024 }' "$2"
}
sync
/usr/bin/time -v "$pkgbuild" "$work/tree/product.setup" -o "$work/product.exe" --stub "$stub" \
  >/dev/null 2>"$work/pkgbuild.time"
figure pkgbuild "$work/pkgbuild.time"
echo "package: $(stat -c %s "$work/product.exe") bytes of $(du -sb "$work/tree/files" | cut -f1)"
/usr/bin/time -v bash -c "tar cf - -C '$work/tree' . | gzip -6 >'$work/tree.tar.gz'" 2>"$work/gzip.time"
figure "tar | gzip -6" "$work/gzip.time"
echo "gzip: $(stat -c %s "$work/tree.tar.gz") bytes"
