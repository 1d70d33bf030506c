# Package trust: a damaged package is refused, a signed package verifies,
# installs and uninstalls and writes a well-formed uninstaller, and the same
# sources build the same package and the same stub.

# trust_product DIR: a small product (script and files) in DIR.
trust_product() {
  local dir=$1
  mkdir -p "$dir/files"
  printf 'Read me.\r\n' >"$dir/files/readme.txt"
  head -c 300000 /dev/zero | tr '\0' 'x' >"$dir/files/data.txt"
  head -c 70000 /dev/urandom >"$dir/files/noise.bin"
  cat >"$dir/product.setup" <<'S'
[Setup]
Title=Trust Setup
UninstallTitle=Trust Uninstall
MainText=This installs the Trust Demo.
FinishedText=The Trust Demo is installed.
UninstallQuestion=Remove the Trust Demo?
UninstallDisplayName=Trust Demo
DefaultDir=Trust Demo
Uninstaller=UNINST.EXE
CreateUninstaller=yes
[Files]
Source: "files/readme.txt"; Name: "README.TXT"
Source: "files/data.txt"; Name: "DATA.TXT"
Source: "files/noise.bin"; Name: "NOISE.BIN"
S
}

# The files below drive_c, Wine's windows directory aside.
trust_files() { (cd "$1/drive_c" && find . -path ./windows -prune -o -print | LC_ALL=C sort); }

case_damaged_package_is_refused_and_nothing_is_written() {
  local p dir="$work/trust-damaged" at
  trust_product "$dir"
  "$host/pkgbuild" "$dir/product.setup" -o "$dir/good.exe" --stub "$stub" >/dev/null
  check "the package's checksum is ok" grep -q '^checksum: ok$' <("$host/pkginfo" "$dir/good.exe")
  # One flipped byte in the middle of the file data.
  at=$(python3 -c "import json,sys; p=json.load(open(sys.argv[1]))['Package']; print(p['InfoOffset']+p['InfoSize']+p['FileDataSize']//2)" \
    <("$host/pkginfo" "$dir/good.exe" --json))
  cp "$dir/good.exe" "$dir/damaged.exe"
  python3 -c "import sys; f=open(sys.argv[1],'r+b'); f.seek(int(sys.argv[2])); b=f.read(1); f.seek(int(sys.argv[2])); f.write(bytes([b[0]^1]))" \
    "$dir/damaged.exe" "$at"
  check "pkginfo reports it damaged and exits 1" bash -c \
    "'$host/pkginfo' '$dir/damaged.exe' | grep -q '^checksum: damaged$'; [ \${PIPESTATUS[0]} -eq 1 ]"
  check "pkginfo extracts it only when forced" bash -c \
    "! '$host/pkginfo' '$dir/damaged.exe' --extract '$dir/out' 2>/dev/null && [ ! -e '$dir/out' ]"
  p=$(fresh_prefix nt40 trust-damaged)
  trust_files "$p" >"$work/trust-damaged.before"
  printf 'run %s\ntimeout 60\nbox OK\n' "$(winpath "$dir/damaged.exe")" >"$work/trust-damaged.script"
  drive "$p" trust-damaged
  check "the damaged package is refused before the main dialog" same_transcript trust-damaged <<'T'
box|Error|The installation package is damaged. Please get a new copy.|OK
exit|1
T
  trust_files "$p" >"$work/trust-damaged.after"
  check "nothing is written" diff -u "$work/trust-damaged.before" "$work/trust-damaged.after"
}

# pe_well_formed FILE: the certificate entry is empty or lies inside the
# file, and the PE checksum is the file's.
pe_well_formed() {
  python3 - "$1" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
pe = struct.unpack_from('<I', data, 60)[0]
assert data[pe:pe + 4] == b'PE\0\0', 'no PE signature'
addr, size = struct.unpack_from('<II', data, pe + 152)
assert (addr, size) == (0, 0) or addr + size <= len(data), 'certificate table past the end: %d+%d > %d' % (addr, size, len(data))
stored = struct.unpack_from('<I', data, pe + 88)[0]
struct.pack_into('<I', data, pe + 88, 0)
if len(data) % 2: data.append(0)
total = 0
for (w,) in struct.iter_unpack('<H', data):
    total += w
    total = (total & 0xFFFF) + (total >> 16)
want = total + len(open(sys.argv[1], 'rb').read())
assert stored == want, 'PE checksum %08x, the file gives %08x' % (stored, want)
PY
}

case_signed_package_verifies_installs_and_uninstalls() {
  local p dir="$work/trust-signed" dest
  trust_product "$dir"
  "$host/pkgbuild" "$dir/product.setup" -o "$dir/unsigned.exe" --stub "$stub" >/dev/null
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Trust Test Signer" \
    -keyout "$dir/key.pem" -out "$dir/cert.pem" >/dev/null 2>&1
  osslsigncode sign -certs "$dir/cert.pem" -key "$dir/key.pem" -n "Trust Demo" \
    -in "$dir/unsigned.exe" -out "$dir/setup.exe" >"$dir/sign.log" 2>&1
  check "the package is signed" test -s "$dir/setup.exe"
  check "the signature verifies" osslsigncode verify -CAfile "$dir/cert.pem" -in "$dir/setup.exe"
  check "the signed package keeps a valid checksum" grep -q '^checksum: ok$' <("$host/pkginfo" "$dir/setup.exe")
  check "the signed package is a well-formed PE" pe_well_formed "$dir/setup.exe"
  p=$(fresh_prefix nt40 trust-signed)
  dest="$p/drive_c/Trust Demo"
  cat >"$work/trust-signed.script" <<S
run $(winpath "$dir/setup.exe")
timeout 60
main Install C:\\Trust Demo
box OK
S
  drive "$p" trust-signed
  check "the signed package installs" same_transcript trust-signed <<'T'
main|Trust Setup|This installs the Trust Demo.|C:\Trust Demo|Install
box|Trust Setup - Message|The Trust Demo is installed.|OK
exit|0
T
  check "the files are in place" cmp "$dir/files/noise.bin" "$dest/NOISE.BIN"
  check "the uninstaller is a well-formed PE" pe_well_formed "$dest/UNINST.EXE"
  check "the uninstaller names no certificate" bash -c \
    "i686-w64-mingw32-objdump -p '$dest/UNINST.EXE' | grep -q 'Entry 4 00000000 00000000 Security Directory'"
  check "the uninstaller is the package's leading part, then its record, but for the PE checksum and the certificate entry" \
    python3 -c "
import struct, sys
u = open(sys.argv[1], 'rb').read(); s = open(sys.argv[2], 'rb').read()
pe = struct.unpack_from('<I', u, 60)[0]
holes = set(range(pe + 88, pe + 92)) | set(range(pe + 152, pe + 160))
# The installation record follows: its entries, their length, its tag.
assert u[-8:] == b'iNStReC1', 'no installation record'
end = len(u) - 12 - struct.unpack_from('<I', u, len(u) - 12)[0]
sys.exit(any(u[i] != s[i] for i in range(end) if i not in holes))" "$dest/UNINST.EXE" "$dir/setup.exe"
  cat >"$work/trust-signed-un.script" <<'S'
run C:\Trust Demo\UNINST.EXE
timeout 60
box Yes
box OK
S
  drive "$p" trust-signed-un keep
  check "its uninstaller uninstalls" same_transcript trust-signed-un <<'T'
box|Trust Uninstall - Message|Remove the Trust Demo?|Yes
box|Trust Uninstall - Message|Uninstallation is finished.|OK
exit|0
T
  wait_gone "$p" "$dest"
  check "the destination is gone" test ! -e "$dest"
}

case_same_sources_build_the_same_package_and_stub() {
  local dir="$work/trust-repro"
  trust_product "$dir/one"
  # A copy with the times kept, and one with every file written now.
  cp -a "$dir/one" "$dir/two"
  sleep 1
  cp -r "$dir/one" "$dir/three"
  "$host/pkgbuild" "$dir/one/product.setup" -o "$dir/one.exe" --stub "$stub" >/dev/null
  "$host/pkgbuild" "$dir/two/product.setup" -o "$dir/two.exe" --stub "$stub" >/dev/null
  check "two copies with the same times build the same package" cmp "$dir/one.exe" "$dir/two.exe"
  local epoch
  epoch=$(stat -c %Y "$dir/one/files/readme.txt")
  SOURCE_DATE_EPOCH=$epoch "$host/pkgbuild" "$dir/one/product.setup" -o "$dir/one-sde.exe" --stub "$stub" >/dev/null
  SOURCE_DATE_EPOCH=$epoch "$host/pkgbuild" "$dir/three/product.setup" -o "$dir/three-sde.exe" --stub "$stub" >/dev/null
  check "with SOURCE_DATE_EPOCH a fresh copy builds the same package" cmp "$dir/one-sde.exe" "$dir/three-sde.exe"
  check "without it the fresh copy's later times show" bash -c \
    "'$host/pkgbuild' '$dir/three/product.setup' -o '$dir/three.exe' --stub '$stub' >/dev/null && ! cmp -s '$dir/one.exe' '$dir/three.exe'"
  # The stub from a second copy of the source tree, in a build directory of its own.
  mkdir -p "$dir/tree"
  (cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$dir/tree")
  (cmake -S "$dir/tree" -B "$dir/tree/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$dir/tree/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel && cmake --build "$dir/tree/build" --target setup) >"$dir/stub-build.log" 2>&1
  check "a second copy of the tree links the same stub" cmp "$stub" "$dir/tree/build/setup.exe"
}

# How long the check takes on a 200 MiB package: a package damaged in its
# last data byte (read whole, then refused) against the same package
# damaged in its header (refused before any data is read). Logged, not
# asserted.
case_checksum_check_of_a_200_mib_package() {
  local p dir="$work/trust-big" i info end t0 t1 t2
  mkdir -p "$dir/files"
  printf '[Setup]\nTitle=Big\nMainText=Big\nFinishedText=Done\nDefaultDir=Big\n[Files]\n' >"$dir/big.setup"
  for i in $(seq 1 20); do
    head -c $((10 * 1024 * 1024)) /dev/urandom >"$dir/files/part$i.bin"
    echo "Source: \"files/part$i.bin\"; Flags: Uncompressed" >>"$dir/big.setup"
  done
  "$host/pkgbuild" "$dir/big.setup" -o "$dir/big.exe" --stub "$stub" >/dev/null
  read -r info end < <(python3 -c "import json,sys; p=json.load(open(sys.argv[1]))['Package']; print(p['InfoOffset'], p['InfoOffset']+p['InfoSize']+p['FileDataSize'])" \
    <("$host/pkginfo" "$dir/big.exe" --json))
  flip() {
    python3 -c "import sys; f=open(sys.argv[1],'r+b'); f.seek(int(sys.argv[2])); b=f.read(1); f.seek(int(sys.argv[2])); f.write(bytes([b[0]^1]))" "$@"
  }
  cp "$dir/big.exe" "$dir/tail.exe" && flip "$dir/tail.exe" $((end - 1))
  cp "$dir/big.exe" "$dir/head.exe" && flip "$dir/head.exe" $((info + 8))
  p=$(shared_prefix nt40)
  printf 'run %s\ntimeout 120\nbox OK\n' "$(winpath "$dir/head.exe")" >"$work/trust-head.script"
  printf 'run %s\ntimeout 120\nbox OK\n' "$(winpath "$dir/tail.exe")" >"$work/trust-tail.script"
  cat "$dir/tail.exe" "$dir/head.exe" >/dev/null  # both in the page cache
  t0=$(date +%s.%N)
  drive "$p" trust-head
  t1=$(date +%s.%N)
  drive "$p" trust-tail
  t2=$(date +%s.%N)
  check "the damaged header is refused at once" same_transcript trust-head <<'T'
box|Error|Error 1 in installation info.|OK
exit|1
T
  check "the last data byte is found damaged" same_transcript trust-tail <<'T'
box|Error|The installation package is damaged. Please get a new copy.|OK
exit|1
T
  log "200 MiB package: refused in its header after $(echo "$t1 - $t0" | bc) s, after the checksum over all of it in $(echo "$t2 - $t1" | bc) s"
  rm -rf "$dir"
}
