#!/usr/bin/env bash
# cmake --install puts pkgbuild, pkginfo, the stub, the docs and the CMake
# package into a prefix; pkgbuild there finds its stub from any directory;
# the example project (examples/cmake-project) builds its Windows program and
# its package with add_setup_package, and builds the package again when the
# program changes.
#
#   tests/cmake/example_project_test.sh BUILD-DIR SOURCE-DIR
set -eu
build=$1
source=$2
work=$(mktemp -d /tmp/setup-package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
for f in bin/pkgbuild bin/pkginfo lib/cmake/SetupPackage/SetupPackageConfig.cmake \
  lib/cmake/SetupPackage/AddSetupPackage.cmake share/doc/installer/script-reference.md \
  share/doc/installer/README.md; do
  test -f "$prefix/$f" || fail "cmake --install did not install $f"
done
# The stub comes from the win32 build; without one, a stand-in does for the
# builder (the package is only inspected here, never run).
if [ ! -f "$prefix/share/installer/setup.exe" ]; then
  mkdir -p "$prefix/share/installer"
  printf 'MZ stand-in stub' >"$prefix/share/installer/setup.exe"
fi

# The default stub is the installed one, whatever the current directory.
(cd "$work" && "$prefix/bin/pkgbuild" "$source/examples/example.setup" -o "$work/example.exe") \
  >"$work/example.log" 2>&1 || { cat "$work/example.log"; fail "pkgbuild without --stub"; }
cmp -n "$(stat -c %s "$prefix/share/installer/setup.exe")" "$prefix/share/installer/setup.exe" "$work/example.exe" ||
  fail "the package does not start with the installed stub"
"$prefix/bin/pkgbuild" --version | grep -q '^pkgbuild ' || fail "pkgbuild --version"

# The example project (a copy, so that it can be changed), cross-compiled
# with MinGW-w64.
cp -r "$source/examples/cmake-project" "$work/hello"
project="$work/project"
cmake -S "$work/hello" -B "$project" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" \
  -DSetupPackage_DIR="$prefix/lib/cmake/SetupPackage" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; fail "configuring the example project"; }
cmake --build "$project" >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "building the example project"; }
test -f "$project/hello_setup.exe" || fail "no hello_setup.exe"
"$prefix/bin/pkginfo" "$project/hello_setup.exe" --extract "$work/files" >/dev/null ||
  fail "pkginfo --extract hello_setup.exe"
cmp "$project/hello.exe" "$work/files/destination/HELLO.EXE" || fail "HELLO.EXE is not the program the build made"
cmp "$work/hello/README.TXT" "$work/files/destination/README.TXT" || fail "README.TXT"
"$prefix/bin/pkginfo" "$project/hello_setup.exe" | grep -q 'Publisher' || fail "no Publisher value"

# A changed program makes a new package.
before=$(stat -c %Y.%y "$project/hello_setup.exe")
sleep 1
echo '/* changed */' >>"$work/hello/hello.c"
cmake --build "$project" >"$work/rebuild.log" 2>&1 || { cat "$work/rebuild.log"; fail "rebuilding"; }
grep -q 'Building the installation package hello_setup' "$work/rebuild.log" || fail "the package was not built again"
test "$(stat -c %Y.%y "$project/hello_setup.exe")" != "$before" || fail "hello_setup.exe unchanged"
echo "PASS"
