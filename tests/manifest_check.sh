#!/bin/sh
# The stub's application manifest: well-formed, minimal (one line, no
# comments), and asking for what the program needs on Windows Vista and later.
#   tests/manifest_check.sh MANIFEST [SETUP.EXE]
set -eu
manifest=$1
fail() { echo "manifest: $*" >&2; exit 1; }
xmllint --noout "$manifest" || fail "not well-formed XML"
[ "$(wc -l <"$manifest")" -eq 0 ] || fail "holds line breaks"
! grep -q '<!--' "$manifest" || fail "holds comments"
! grep -q '>[[:space:]]' "$manifest" || fail "holds indentation"
value() {
  xmllint --xpath "$1" "$manifest" 2>/dev/null || true
}
[ "$(value 'string(//*[local-name()="requestedExecutionLevel"]/@level)')" = requireAdministrator ] ||
  fail "does not ask for elevation"
[ "$(value 'string(//*[local-name()="dpiAware"])')" = true ] || fail "is not DPI-aware"
# Vista, 7, 8, 8.1, 10 and 11.
for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
  8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  [ "$(value "count(//*[local-name()='supportedOS'][@Id='{$id}'])")" = 1 ] || fail "misses {$id}"
done
# The stub carries it byte for byte.
if [ $# -ge 2 ]; then
  grep -qF "$(cat "$manifest")" "$2" || fail "$2 does not carry it"
fi
echo "manifest: $(wc -c <"$manifest") bytes, well-formed"
