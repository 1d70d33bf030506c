#!/usr/bin/env bash
# The Wine suite: the real setup.exe under Wine, driven by the UI driver.
#
#   tests/e2e/run.sh [CASE...]      all cases, or the named ones
#
# Builds setup.exe, the driver and the test programs (Win32 build) and the
# package generator (host build), writes the packages, starts a private
# Xvfb, and runs each case against a Wine prefix of its Windows version
# (made once by setup.sh and reused). Prints PASS or FAIL per case and
# exits non-zero when any case fails. Screenshots of the dialogs go to
# docs/screenshots/.
#
# Environment: E2E_ROOT (prefixes, default /tmp/e2e-wine); E2E_BUILD, a
# directory for the suite's own two builds (default: the project's presets
# win32 and host, build/win32 and build/host); E2E_KEEP=1 keeps the work
# directory.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
export E2E_ROOT=${E2E_ROOT:-/tmp/e2e-wine}
if [ -n "${E2E_BUILD:-}" ]; then
  w32="$E2E_BUILD/e2e-win32"
  host="$E2E_BUILD/e2e-host"
else
  w32="$root/build/win32"
  host="$root/build/host"
fi
shots="$root/docs/screenshots"
work=$(mktemp -d /tmp/e2e-run.XXXXXX)
started=$(date +%s)

export WINEDEBUG=${E2E_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
. "$root/tools/wine-prefix.sh"
wine_scratch_home "$work"

xvfb_pid=""
watcher_pid=""
prefixes_used=()
cleanup() {
  for p in "${prefixes_used[@]}"; do WINEPREFIX="$p" wineserver -k 2>/dev/null; done
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ "${E2E_KEEP:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT

log() { echo "e2e: $*" >&2; }

# ---- Display -------------------------------------------------------------
display=""
for n in $(seq 90 120); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  sleep 1
  if kill -0 "$xvfb_pid" 2>/dev/null; then display=":$n"; break; fi
  xvfb_pid=""
done
[ -n "$display" ] || { log "no display could be started"; exit 2; }
export DISPLAY="$display"

# ---- Prerequisites, builds, packages -------------------------------------
"$here/setup.sh" >"$work/setup.log" 2>&1 || { cat "$work/setup.log"; log "setup failed"; exit 2; }
build_all() {
  if [ -n "${E2E_BUILD:-}" ]; then
    cmake -S "$root" -B "$w32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel && cmake --build "$w32" &&
      cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Debug &&
      cmake --build "$host" --target make_packages pkgbuild pkginfo
  else
    (cd "$root" && cmake --preset win32 && cmake --build --preset win32 &&
      cmake --preset host && cmake --build --preset host --target make_packages pkgbuild pkginfo)
  fi
}
build_all >"$work/build.log" 2>&1 || { tail -30 "$work/build.log"; log "build failed"; exit 2; }

stub="$w32/setup.exe"
programs="$w32/tests/e2e/win32"
pkgs="$work/packages"
mkdir -p "$pkgs"
cp "$stub" "$pkgs/setup.exe"
cp "$programs/uidriver.exe" "$work/uidriver.exe"
"$host/tests/e2e/make_packages" "$stub" "$pkgs" "$programs" || { log "make_packages failed"; exit 2; }

# ---- Screenshots: the driver asks by creating NAME.req -------------------
mkdir -p "$work/shots" "$shots"
(
  while :; do
    for req in "$work"/shots/*.req; do
      [ -e "$req" ] || continue
      name=$(basename "$req" .req)
      import -display "$DISPLAY" -window root "$shots/$name.png" 2>>"$work/shots.log"
      rm -f "$req"
    done
    sleep 0.1
  done
) &
watcher_pid=$!

# ---- Helpers ---------------------------------------------------------------
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
export E2E_SHOT_DIR
E2E_SHOT_DIR=$(winpath "$work/shots")

# A private copy of the version's prefix, so that a case starts clean.
fresh_prefix() {
  local version=$1 name=$2
  local p="$work/prefix-$name"
  cp -a "$E2E_ROOT/prefix-$version" "$p"
  # Prefixes made before make_wine_prefix copied Marlett draw the close
  # button as a letter r.
  cp /usr/share/wine/fonts/marlett.ttf "$p/drive_c/windows/Fonts/" 2>/dev/null
  prefixes_used+=("$p")
  echo "$p" >>"$work/fresh-prefixes"
  echo "$p"
}
# The shared prefix of a version, for cases that change nothing in it.
shared_prefix() {
  local p="$E2E_ROOT/prefix-$1"
  prefixes_used+=("$p")
  echo "$p"
}

# drive PREFIX NAME [keep]: plays $work/NAME.script, transcript in
# $work/NAME.out. Afterwards every Wine process of the prefix is ended (the
# program group's explorer window stays otherwise), unless "keep" is given.
drive() {
  local prefix=$1 name=$2
  (cd "$work" && WINEPREFIX="$prefix" wine uidriver.exe "$name.script" "$name.out" \
    >"$work/$name.driver.log" 2>&1)
  [ "${3:-}" = keep ] && return
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null
}

failures=0
case_failed=0
check() {  # check DESCRIPTION COMMAND...: one expectation of the current case
  local what=$1
  shift
  if ! "$@" >>"$work/checks.log" 2>&1; then
    echo "    expected: $what" >&2
    case_failed=1
  fi
}
same_transcript() {  # same_transcript NAME (expected on stdin); placements aside
  local name=$1
  cat >"$work/$name.expected"
  if ! diff -u "$work/$name.expected" <(grep -v '^placement|' "$work/$name.out") \
    >"$work/$name.diff" 2>&1; then
    sed 's/^/    /' "$work/$name.diff" >&2
    return 1
  fi
}
# Lines of "wine reg query" read "    NAME    TYPE    DATA".
reg_value() {  # reg_value PREFIX KEY VALUE-NAME: prints "TYPE DATA"
  WINEPREFIX="$1" wine reg query "$2" /v "$3" 2>/dev/null | tr -d '\r' |
    awk -F '    ' -v n="$3" 'tolower($2) == tolower(n) { print $3 " " $4 }'
}
reg_default() {
  WINEPREFIX="$1" wine reg query "$2" /ve 2>/dev/null | tr -d '\r' |
    awk -F '    ' '$2 == "(Default)" { print $3 " " $4 }'
}
# wait_gone PREFIX PATH [SECONDS]: waits up to 30 s for the self-removal
# batch to take PATH, then SECONDS more (none by default) for the batch to
# finish, then ends every Wine process of the prefix.
wait_gone() {
  local waited=0
  while [ -e "$2" ] && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  sleep "${3:-0}"
  WINEPREFIX="$1" wineserver -k 2>/dev/null
  WINEPREFIX="$1" wineserver -w 2>/dev/null
}
equals() { [ "$1" = "$2" ] || { echo "got '$1', wanted '$2'"; return 1; }; }
no_key() { ! WINEPREFIX="$1" wine reg query "$2" >/dev/null 2>&1; }

# ---- Cases -----------------------------------------------------------------
# Each case_* function runs one behaviour and sets case_failed on a miss.

case_stub_has_no_marker() {
  check "setup.exe does not hold the 8-byte marker" bash -c "! grep -q 'iNStiNSt' '$stub'"
  check "setup.exe imports only the system's own libraries" bash -c \
    "i686-w64-mingw32-objdump -p '$stub' | grep 'DLL Name' | tr a-z A-Z |
     grep -v -E 'KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|VERSION|LZ32' | (! grep .)"
  log "setup.exe is $(stat -c %s "$stub") bytes"
}

case_no_installation_information() {
  local p
  p=$(shared_prefix nt40)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/setup.exe")" >"$work/noinfo.script"
  drive "$p" noinfo
  check "the missing information is reported" same_transcript noinfo <<'T'
box|Error|Couldn't find the installation information.|OK
exit|1
T
}

case_package_path_on_the_command_line_is_read() {
  local p
  p=$(shared_prefix nt40)
  printf 'run %s %s\ntimeout 30\nmain Cancel\nbox Yes\n' "$(winpath "$pkgs/setup.exe")" \
    "$(winpath "$pkgs/basic.exe")" >"$work/patharg.script"
  drive "$p" patharg
  check "the package named on the command line is installed" same_transcript patharg <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
}

case_quoted_package_path_cannot_be_opened() {
  local p
  p=$(shared_prefix nt40)
  printf 'run %s "%s"\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/setup.exe")" \
    "$(winpath "$pkgs/basic.exe")" >"$work/quoted.script"
  drive "$p" quoted
  check "the quotes stay part of the path" same_transcript quoted <<'T'
box|Error|Couldn't open the program.|OK
exit|1
T
}

case_damaged_header_is_refused() {
  local p
  p=$(shared_prefix nt40)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/damaged.exe")" >"$work/damaged.script"
  drive "$p" damaged
  check "a wrong header size is information error 1" same_transcript damaged <<'T'
box|Error|Error 1 in installation info.|OK
exit|1
T
}

case_uninstaller_named_package_answered_no() {
  local p
  p=$(shared_prefix nt40)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/uninst.exe")" >"$work/uninstno.script"
  drive "$p" uninstno
  # It carries file data: a package, never an uninstaller.
  check "a package of the uninstaller's name is refused" same_transcript uninstno <<'T'
box|Error|Couldn't open the program.|OK
exit|1
T
}

case_windows95_is_refused_when_the_package_says_so() {
  local p
  p=$(shared_prefix win95)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/refuse95.exe")" >"$work/refuse95.script"
  drive "$p" refuse95
  check "Windows 95 is refused before the title is known" same_transcript refuse95 <<'T'
box|Error|Sorry, but this software wont run on Windows 95.|OK
exit|1
T
  p=$(shared_prefix nt40)
  printf 'run %s\ntimeout 30\nmain Cancel\nbox Yes\n' "$(winpath "$pkgs/refuse95.exe")" \
    >"$work/refuse95nt.script"
  drive "$p" refuse95nt
  check "the same package runs on Windows NT 4.0" same_transcript refuse95nt <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
}

case_windows_nt351_is_below_the_minimum_version_4() {
  local p
  p=$(shared_prefix nt351)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/needs40.exe")" >"$work/needs40.script"
  drive "$p" needs40
  check "NT 3.51 is refused with the required version" same_transcript needs40 <<'T'
box|E2E Setup - Error|This software requires Windows 4.0 or later.|OK
exit|1
T
  p=$(shared_prefix win95)
  printf 'run %s\ntimeout 30\nmain Cancel\nbox Yes\n' "$(winpath "$pkgs/needs40.exe")" \
    >"$work/needs40w95.script"
  drive "$p" needs40w95
  check "Windows 95 (4.0) is accepted" same_transcript needs40w95 <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
  p=$(shared_prefix win10)
  printf 'run %s\ntimeout 30\nmain Cancel\nbox Yes\n' "$(winpath "$pkgs/needs40.exe")" \
    >"$work/needs40w10.script"
  drive "$p" needs40w10
  check "Windows 10 (10.0) is accepted" same_transcript needs40w10 <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
}

# What an installation may change, listed so that two states can be compared:
# the files below drive_c (Wine's own windows directory aside) and the
# registry's software branches, without Wine's own bookkeeping under
# Software\Wine (a debugger that Wine starts for one of its own processes
# leaves a key there), nor the shell's Explorer state, which Wine's explorer
# writes when a program group is shown: neither is the installer's doing.
snapshot() {
  local p=$1 out=$2 branch
  (cd "$p/drive_c" && find . -path ./windows -prune -o -print | LC_ALL=C sort) >"$out.files"
  for branch in hklm hkcu; do
    WINEPREFIX="$p" wine reg export "${branch^^}\\Software" "$(winpath "$out.$branch.reg")" /y \
      >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$out.$branch.reg" 2>/dev/null | tr -d '\r' |
      awk '/^\[/ { skip = ($0 ~ /^\[HKEY_[A-Z_]+\\Software\\Wine(\\|\])/ ||
                     $0 ~ /^\[HKEY_[A-Z_]+\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer(\\|\])/) } !skip' \
      >"$out.$branch"
  done
  WINEPREFIX="$p" wineserver -w
}

# round_trip VERSION: installs the full package into a fresh prefix of the
# version, checks the machine, uninstalls with the installed uninstaller and
# compares the machine with its state before the installation. The temporary
# directory has blanks in its name, as NT 4.0 user profiles do.
round_trip() {
  local version=$1 p dest sys
  p=$(fresh_prefix "$version" "roundtrip-$version")
  dest="$p/drive_c/E2E Demo"
  sys="$p/drive_c/windows/system32"
  local shared='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
  local component='C:\windows\system32\E2ETCOMP.DLL'
  # An older version of the shared component is in place, used by three programs.
  cp "$programs/testcomp_1_0_0_1.dll" "$sys/E2ETCOMP.DLL"
  WINEPREFIX="$p" wine reg add "$shared" /v "$component" /t REG_DWORD /d 3 /f >/dev/null 2>&1
  mkdir -p "$p/drive_c/Temp Dir"
  WINEPREFIX="$p" wine reg add 'HKCU\Environment' /v TEMP /d 'C:\Temp Dir' /f >/dev/null 2>&1
  WINEPREFIX="$p" wine reg add 'HKCU\Environment' /v TMP /d 'C:\Temp Dir' /f >/dev/null 2>&1
  WINEPREFIX="$p" wineserver -w
  snapshot "$p" "$work/before-$version"
  check "the registry snapshot is readable" \
    grep -q -F '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]' "$work/before-$version.hklm"

  cat >"$work/install-$version.script" <<S
run $(winpath "$pkgs/full.exe")
timeout 60
placement main
shot main-dialog-$version
main Install C:\\E2E Demo
holdcancel
aside
shot progress-dialog-$version
box No
box No
S
  drive "$p" "install-$version"
  check "the installation runs through its dialogs and asks for the restart" same_transcript "install-$version" <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Demo|Install
progress|E2E Setup
box|E2E Setup - Message|Do you want to abort the installation?|No
box|E2E Setup - Message|The E2E Demo is installed.\r\rRestart Windows now?|No
exit|0
T
  # Below version 4 the program places the dialog itself, centred across and
  # a third down the free height of the 1024x768 screen; from 4 on the
  # template centres it.
  local left top width height
  IFS='|' read -r _ _ left top width height < <(grep '^placement|main|' "$work/install-$version.out")
  if [ "$version" = nt351 ]; then
    check "the main dialog is placed by the program" \
      equals "$left,$top" "$(((1024 - ${width:-0}) / 2)),$(((768 - ${height:-0}) / 3))"
  else
    check "the main dialog is centred by its template" test "${top:-0}" -gt "$(((768 - ${height:-0}) / 3))"
  fi
  # Read before any Wine start-up carries the rename out.
  if [ "$version" = win95 ]; then
    # Wine keeps a carried-out WININIT.INI as WININIT.BAK.
    check "the shared component in use is renamed by WININIT.INI at the next start" \
      grep -q -i '^C:.*\\E2ETCOMP.DLL=C:.*\.tmp' <(find "$p/drive_c/windows" -maxdepth 1 \
        -iname 'wininit.*' -exec cat {} + | sed -n '/^\[[Rr]ename\]/,/^\[/p')
  else
    check "the shared component in use is replaced at the next start" \
      grep -q -i 'E2ETCOMP.DLL' <(grep -A3 -i '"PendingFileRenameOperations"' "$p/system.reg")
  fi
  check "README.TXT holds its data" cmp "$pkgs/expected-README.TXT" "$dest/README.TXT"
  check "the compressed LINES.TXT is expanded" cmp "$pkgs/expected-LINES.TXT" "$dest/DATA/LINES.TXT"
  check "no compressed copy stays" test ! -e "$dest/DATA/LINES.TX_"
  check "NOTES.TXT is in its directory" cmp "$pkgs/expected-NOTES.TXT" "$dest/DOCS/NOTES.TXT"
  check "the large file is complete" test "$(stat -c %s "$dest/DATA/NOISE.BIN" 2>/dev/null)" = 16777216
  check "files carry the packaged write time" \
    test "$(TZ=UTC stat -c %y "$dest/README.TXT" 2>/dev/null | cut -c1-19)" = "2020-01-02 03:04:06"
  local info_end
  info_end=$("$host/pkginfo" --json "$pkgs/full.exe" | awk -F'[:,]' '/"InfoOffset"/ { o = $2 } /"InfoSize"/ { s = $2 } END { print o + s }')
  check "the uninstaller is the leading part of the package" \
    cmp -n "${info_end:-1}" "$pkgs/full.exe" "$dest/UNINST.EXE"
  check "the uninstaller ends with its installation record" \
    bash -c "tail -c 8 '$dest/UNINST.EXE' | grep -q iNStReC1"
  check "the uninstaller holds no file data" \
    test "$(stat -c %s "$dest/UNINST.EXE" 2>/dev/null || echo 99999999)" -lt 1000000
  check "the log records the run" grep -q "The installation was successful!" "$dest/InstLog.txt"
  check "the log records the expansion" grep -q -F 'Decompressing: C:\E2E Demo\DATA\LINES.TXT' "$dest/InstLog.txt"

  local key='HKLM\Software\E2E Demo'
  check "string value" equals "$(reg_value "$p" "$key" Version)" "REG_SZ 1.0"
  check "number value" equals "$(reg_value "$p" "$key" Count)" "REG_DWORD 0x2a"
  check "binary value" equals "$(reg_value "$p" "$key" Blob)" "REG_BINARY 010203FE"
  check "default value" equals "$(reg_default "$p" "$key")" "REG_SZ E2E default"
  check "the program registered itself with /REGSERVER" \
    equals "$(reg_value "$p" 'HKLM\Software\E2E Test Server' Registered)" "REG_SZ yes"
  check "the new library's DllRegisterServer ran" \
    equals "$(reg_value "$p" 'HKLM\Software\E2E Test Component' Registered)" "REG_SZ yes"
  check "the shared count rose from 3 to 4" equals "$(reg_value "$p" "$shared" "$component")" "REG_DWORD 0x4"
  check "the new shared program is counted once" \
    equals "$(reg_value "$p" "$shared" 'C:\E2E Demo\REGSERVER.EXE')" "REG_DWORD 0x1"
  local entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\E2E Demo'
  if [ "$version" = nt351 ]; then
    check "Windows NT 3.51 gets no uninstall entry" no_key "$p" "$entry"
  else
    check "the uninstall entry names the uninstaller" \
      equals "$(reg_value "$p" "$entry" UninstallString)" 'REG_SZ "C:\E2E Demo\UNINST.EXE"'
  fi
  check "after the restart the shared component is the new version" \
    cmp "$programs/testcomp_2_0_0_7.dll" "$sys/E2ETCOMP.DLL"
  local menu
  menu=$(find "$p/drive_c/users" -path '*Start Menu/Programs/E2E Demo' -type d 2>/dev/null | head -1)
  check "the program group is a Start Menu folder" test -n "$menu"
  check "the item is a shortcut in it" test -f "$menu/E2E Readme.lnk"
  if [ "$version" = nt351 ]; then
    check "Windows NT 3.51 gets the uninstall item" test -f "$menu/Uninstall E2E Demo.lnk"
  else
    check "Windows 4.x gets no uninstall item" test ! -e "$menu/Uninstall E2E Demo.lnk"
  fi

  cat >"$work/uninstall-$version.script" <<'S'
run C:\E2E Demo\UNINST.EXE
timeout 60
box Yes
progress
box Yes
box Yes
box OK
S
  drive "$p" "uninstall-$version" keep
  check "the uninstallation asks, removes and finishes" same_transcript "uninstall-$version" <<'T'
box|E2E Uninstall - Message|Do you want to remove the E2E Demo?|Yes
progress|E2E Uninstall
box|E2E Uninstall - Message|The system indicates that the shared file 'C:\E2E Demo\REGSERVER.EXE' is no longer used by any programs. If any programs are still using this file and it is removed, those programs may not function.\r\n\r\nAre you sure you want to remove the shared file?|Yes
box|E2E Uninstall - Message|The system indicates that the shared file 'C:\E2E Demo\E2ECOMP.DLL' is no longer used by any programs. If any programs are still using this file and it is removed, those programs may not function.\r\n\r\nAre you sure you want to remove the shared file?|Yes
box|E2E Uninstall - Message|Uninstallation is finished.|OK
exit|0
T
  # The batch file removes the uninstaller and the directory after the exit.
  wait_gone "$p" "$dest" 1
  check "the uninstaller and the destination directory are gone" test ! -e "$dest"
  check "the program group is gone" test ! -e "$menu"
  check "the program unregistered itself" no_key "$p" 'HKLM\Software\E2E Test Server'
  check "the component other programs use stays" cmp "$programs/testcomp_2_0_0_7.dll" "$sys/E2ETCOMP.DLL"
  check "the new library unregistered itself" no_key "$p" 'HKLM\Software\E2E Test Component'
  check "its count is back at 3" equals "$(reg_value "$p" "$shared" "$component")" "REG_DWORD 0x3"
  snapshot "$p" "$work/after-$version"
  check "the files are as before the installation" diff -u "$work/before-$version.files" "$work/after-$version.files"
  check "HKLM\\Software is as before the installation" diff -u "$work/before-$version.hklm" "$work/after-$version.hklm"
  check "HKCU\\Software is as before the installation" diff -u "$work/before-$version.hkcu" "$work/after-$version.hkcu"
}

case_install_and_uninstall_round_trip_on_windows_nt40() { round_trip nt40; }
case_install_and_uninstall_round_trip_on_windows95() { round_trip win95; }
case_install_and_uninstall_round_trip_on_windows_nt351() { round_trip nt351; }

case_cancelled_installation_is_reported_and_logged() {
  local p dest
  p=$(fresh_prefix nt40 cancel)
  dest="$p/drive_c/E2E Cancel"
  cat >"$work/cancel.script" <<S
run $(winpath "$pkgs/full.exe")
timeout 60
main Install C:\\E2E Cancel
holdcancel
box Yes
box OK
S
  drive "$p" cancel
  check "the cancel is confirmed and reported" same_transcript cancel <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Cancel|Install
progress|E2E Setup
box|E2E Setup - Message|Do you want to abort the installation?|Yes
box|E2E Setup - Error|The installation was aborted.\rThe software may not run properly.\r\rRun the installation program again to complete the installation.|OK
exit|1
T
  local log="$dest/InstLog.txt"
  check "the log holds the notice between empty lines" \
    grep -q -z -F $'\r\n\r\n!!! Installation aborted by user !!!\r\n\r\n' "$log"
  check "the log holds the closing error box" grep -q -F 'The installation was aborted.' "$log"
  check "the log ends with the failure" \
    equals "$(tail -n 1 "$log" | tr -d '\r')" "An error occured during installation!"
  check "no registry value was written after the cancel" no_key "$p" 'HKLM\Software\E2E Demo'
}

case_main_dialog_checks_the_destination_and_shows_help() {
  local p
  p=$(shared_prefix nt40)
  {
    printf 'run %s\n' "$(winpath "$pkgs/basic.exe")"
    cat <<'S'
timeout 30
main Install C:\
box OK
main Install C:\Missing E2E\Tool
box OK
main Help
box OK
main Cancel
box No
main Cancel
box Yes
S
  } >"$work/destination.script"
  drive "$p" destination
  check "bad destinations are refused and the dialog stays" same_transcript destination <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\|Install
box|E2E Setup - Error|Illegal path.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Missing E2E\Tool|Install
box|E2E Setup - Error|Couldn't create the destination directory.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Missing E2E\Tool|Help
box|E2E Setup|Choose the directory for the E2E Demo (NT).|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Missing E2E\Tool|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|No
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Missing E2E\Tool|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
  check "the missing parent was not created" test ! -e "$p/drive_c/Missing E2E"
  p=$(shared_prefix win95)
  printf 'run %s\ntimeout 30\nmain Help\nbox OK\nmain Cancel\nbox Yes\n' \
    "$(winpath "$pkgs/basic.exe")" >"$work/help95.script"
  drive "$p" help95
  check "Windows 95 shows the other help text" same_transcript help95 <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Help
box|E2E Setup|Choose the directory for the E2E Demo.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\Program Files\E2E Demo|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
}

case_service_is_created_and_replaced_while_running_on_nt40() {
  local p
  p=$(fresh_prefix nt40 service)
  cp "$programs/svcinfo.exe" "$work/svcinfo.exe"
  # Services live only as long as the Wine session: one process holds it.
  (cd "$work" && WINEPREFIX="$p" wine svcinfo.exe --hold 600 >/dev/null 2>&1) &
  local holder=$!
  sleep 2
  svc() { (cd "$work" && WINEPREFIX="$p" wine svcinfo.exe E2ESvc 2>/dev/null | tr -d '\r'); }
  local install
  install=$(printf 'run %s\ntimeout 60\nmain Install C:\\E2E Svc\nbox OK\n' "$(winpath "$pkgs/service.exe")")
  echo "$install" >"$work/service1.script"
  drive "$p" service1 keep
  check "the first installation succeeds" same_transcript service1 <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Svc|Install
box|E2E Setup - Message|The E2E Demo is installed.|OK
exit|0
T
  check "a new service is created on demand and not started" equals "$(svc)" "state=1 start=3"
  WINEPREFIX="$p" wine sc start E2ESvc >/dev/null 2>&1
  sleep 1
  check "the service runs" equals "$(svc)" "state=4 start=3"
  echo "$install" >"$work/service2.script"
  drive "$p" service2 keep
  check "the installation over the running service succeeds" same_transcript service2 <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Svc|Install
box|E2E Setup - Message|The E2E Demo is installed.|OK
exit|0
T
  check "the running service is created again to start automatically, and runs" \
    equals "$(svc)" "state=4 start=2"
  check "the log records the stop and the new start" \
    grep -q -F "Starting service 'E2E Service'..." "$p/drive_c/E2E Svc/InstLog.txt"
  printf 'run C:\\E2E Svc\\UNINST.EXE\ntimeout 60\nbox Yes\nbox OK\n' >"$work/service3.script"
  drive "$p" service3 keep
  check "the uninstallation succeeds" same_transcript service3 <<'T'
box|E2E Uninstall - Message|Do you want to remove the E2E Demo?|Yes
box|E2E Uninstall - Message|Uninstallation is finished.|OK
exit|0
T
  check "the uninstallation stops and removes the service" equals "$(svc)" "missing"
  WINEPREFIX="$p" wineserver -k 2>/dev/null
  wait "$holder" 2>/dev/null
}

case_version_rule_keeps_a_newer_file_and_replaces_an_older_one() {
  local p dest
  p=$(fresh_prefix nt40 versions)
  dest="$p/drive_c/E2E Versions"
  mkdir -p "$dest"
  cp "$programs/testcomp_2_0_0_7.dll" "$dest/OLDER.DLL"
  cp "$programs/testcomp_1_0_0_1.dll" "$dest/NEWER.DLL"
  printf 'run %s\ntimeout 60\nmain Install C:\\E2E Versions\nbox OK\n' \
    "$(winpath "$pkgs/versions.exe")" >"$work/versions.script"
  drive "$p" versions
  check "the installation succeeds" same_transcript versions <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Versions|Install
box|E2E Setup - Message|The E2E Demo is installed.|OK
exit|0
T
  check "the installed 2.0.0.7 is kept against the packaged 1.0.0.1" \
    cmp "$programs/testcomp_2_0_0_7.dll" "$dest/OLDER.DLL"
  check "the installed 1.0.0.1 is replaced by the packaged 2.0.0.7" \
    cmp "$programs/testcomp_2_0_0_7.dll" "$dest/NEWER.DLL"
}

# ---- Texts and paths at the sizes of their arrays ----------------------------
letters() {  # letters N FIRST: N letters running through the alphabet from FIRST
  local n=$1 first=$2 alpha=abcdefghijklmnopqrstuvwxyz
  [[ $first == [A-Z] ]] && alpha=ABCDEFGHIJKLMNOPQRSTUVWXYZ
  local off=${alpha%%"$first"*}
  off=${#off}
  local rot=${alpha:off}${alpha:0:off} s=""
  while [ ${#s} -lt "$n" ]; do s+=$rot; done
  echo "${s:0:n}"
}

case_longest_texts_and_a_259_character_path_install_and_uninstall_on_nt40() {
  local p dest title utitle long winlong
  p=$(fresh_prefix nt40 longest)
  dest="$p/drive_c/E2E Long"
  title=$(letters 63 a)
  utitle=$(letters 63 B)
  long="$(letters 120 L)/$(letters 126 p)"
  winlong="C:\\E2E Long\\${long//\//\\}"
  check "the installed path has 259 characters" equals "${#winlong}" 259
  printf 'run %s\ntimeout 60\nmain Install C:\\E2E Long\nbox OK\n' \
    "$(winpath "$pkgs/longest.exe")" >"$work/longest.script"
  drive "$p" longest
  check "the whole title, main text and finished text are shown" same_transcript longest <<T
main|$title|$(letters 255 c)|C:\\E2E Long|Install
box|$title - Message|$(letters 255 D)|OK
exit|0
T
  check "the file at the 259-character path holds its data" cmp "$pkgs/expected-LONG.TXT" "$dest/$long"
  check "the log names the whole path" grep -q -F "Creating file: $winlong" "$dest/InstLog.txt"

  printf 'run C:\\E2E Long\\UNINST.EXE\ntimeout 60\nbox Yes\nbox OK\n' >"$work/longest-un.script"
  drive "$p" longest-un keep
  check "the uninstallation asks and finishes under the whole uninstall title" \
    same_transcript longest-un <<T
box|$utitle - Message|$(letters 255 e)|Yes
box|$utitle - Message|Uninstallation is finished.|OK
exit|0
T
  wait_gone "$p" "$dest"
  check "the file at the 259-character path is removed" test ! -e "$dest/$long"
  check "the destination directory is gone" test ! -e "$dest"
}

case_a_260_character_path_is_refused_as_error_12_on_nt40() {
  local p dest title
  p=$(fresh_prefix nt40 longer)
  dest="$p/drive_c/E2E Long"
  title=$(letters 63 a)
  printf 'run %s\ntimeout 60\nmain Install C:\\E2E Long\nbox OK\n' \
    "$(winpath "$pkgs/longer.exe")" >"$work/longer.script"
  drive "$p" longer
  check "the path one character too long is information error 12" same_transcript longer <<T
main|$title|$(letters 255 c)|C:\\E2E Long|Install
box|$title - Error|Error 12 in installation info.|OK
exit|1
T
  check "only the log is written in the destination" equals "$(ls -A "$dest" 2>&1)" InstLog.txt
  check "the log holds the error" grep -q -F "Error 12 in installation info." "$dest/InstLog.txt"
}

case_main_text_without_its_nul_is_refused_as_error_10() {
  local p
  p=$(fresh_prefix nt40 nonul)
  printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/nonul.exe")" >"$work/nonul.script"
  drive "$p" nonul
  check "the text without its NUL is information error 10" same_transcript nonul <<'T'
box|Error|Error 10 in installation info.|OK
exit|1
T
  check "no destination is created" test ! -e "$p/drive_c/Program Files/E2E Demo"
}

# Cases of one subject each live in cases/*.sh, with the helpers above.
for f in "$here"/cases/*.sh; do
  [ -e "$f" ] && . "$f"
done
all_cases=$(declare -F | awk '{print $3}' | grep '^case_' | sed 's/^case_//')
wanted=${*:-$all_cases}
for name in $wanted; do
  case_failed=0
  echo "--- $name" >>"$work/checks.log"
  if ! declare -F "case_$name" >/dev/null; then
    echo "FAIL $name (no such case)"
    failures=$((failures + 1))
    continue
  fi
  "case_$name"
  # A passed case's private prefixes go (about 600 MB each); a failed one's stay.
  if [ -f "$work/fresh-prefixes" ]; then
    while read -r fp; do
      WINEPREFIX="$fp" wineserver -k 2>/dev/null
      WINEPREFIX="$fp" wineserver -w 2>/dev/null
      [ $case_failed -eq 0 ] && [ "${E2E_KEEP:-0}" != 1 ] && rm -rf "$fp"
    done <"$work/fresh-prefixes"
    rm -f "$work/fresh-prefixes"
  fi
  if [ $case_failed -eq 0 ]; then
    echo "PASS $name"
  else
    echo "FAIL $name"
    failures=$((failures + 1))
  fi
done
log "setup.exe: $(stat -c %s "$stub") bytes; suite took $(($(date +%s) - started)) s"
[ $failures -eq 0 ] || { log "$failures case(s) failed; work directory kept: $work"; E2E_KEEP=1; exit 1; }
