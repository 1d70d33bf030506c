# The installation record under Wine: what was there before the first
# installation stays, byte for byte; what the installations made goes.

# record_package NAME VERSION [EXTRA-FILE-LINE]: a package of "Rec Demo" into
# C:\Rec Demo, built by pkgbuild from a script written here.
record_package() {
  local name=$1 version=$2 extra=${3:-}
  local dir="$work/record-$name"
  mkdir -p "$dir/files"
  printf 'the program, version %s\r\n' "$version" >"$dir/files/REC.EXE"
  printf '[rec]\r\nversion=%s\r\n' "$version" >"$dir/files/WIN.INI"
  printf 'inf of version %s\r\n' "$version" >"$dir/files/REC.INF"
  printf 'only in version 1\r\n' >"$dir/files/OLD.TXT"
  cat >"$dir/rec.setup" <<S
[Setup]
Title=Rec Setup
MainText=This installs Rec Demo.
UninstallTitle=Rec Uninstall
UninstallQuestion=Remove Rec Demo?
FinishedText=Rec Demo is installed.
UninstallDisplayName=Rec Demo
DefaultDir=Rec Demo
Uninstaller=UNINST.EXE
CreateUninstaller=yes
CreateLog=yes
Compress=no

[Dirs]
Name: "RECINF"; Base: windows

[Files]
Source: "files/REC.EXE"
Source: "files/REC.INF"; Dir: "RECINF"
Source: "files/WIN.INI"; Base: windows; Overwrite: never
$extra

[Groups]
Name: "Rec Tools"

[Items]
Name: "Rec Program"; Group: "Rec Tools"; File: "REC.EXE"

[RegKeys]
Key: "HKCU\\Software\\Rec Settings"

[RegValues]
Key: "HKCU\\Software\\Rec Settings"; Name: "Rec"; Type: dword; Data: $version
S
  "$host/pkgbuild" "$dir/rec.setup" -o "$dir/$name.exe" --stub "$stub" >"$dir/build.log" 2>&1 ||
    cat "$dir/build.log" >&2
  echo "$dir/$name.exe"
}

# record_install PREFIX PACKAGE NAME: installs into C:\Rec Demo.
record_install() {
  printf 'run %s\ntimeout 60\nmain Install C:\\Rec Demo\nbox OK\n' "$(winpath "$2")" >"$work/$3.script"
  drive "$1" "$3"
  check "$3 ends with exit code 0" grep -q '^exit|0' "$work/$3.out"
}

# record_uninstall PREFIX NAME: uninstalls and waits for the self-removal.
record_uninstall() {
  printf 'run C:\\Rec Demo\\UNINST.EXE\ntimeout 60\nbox Yes\nbox OK\n' >"$work/$2.script"
  drive "$1" "$2" keep
  check "$2 ends with exit code 0" grep -q '^exit|0' "$work/$2.out"
  wait_gone "$1" "$1/drive_c/Rec Demo/UNINST.EXE" 1
}

# Seeds what a user has before: files in the destination, a directory of
# the package's in the Windows directory, WIN.INI, a key with a value and a
# subkey, a program group with another program's item.
record_seed() {
  local p=$1 menu
  mkdir -p "$p/drive_c/Rec Demo" "$p/drive_c/windows/RECINF"
  printf 'my own notes\r\n' >"$p/drive_c/Rec Demo/MY NOTES.TXT"
  printf 'my settings\r\n' >"$p/drive_c/Rec Demo/SETTINGS.DAT"
  printf 'the machine keeps this\r\n' >"$p/drive_c/windows/RECINF/MACHINE.INF"
  [ -e "$p/drive_c/windows/win.ini" ] || printf '[windows]\r\n' >"$p/drive_c/windows/win.ini"
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Rec Settings' /v Colour /d blue /f >/dev/null 2>&1
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Rec Settings\Window' /v Size /d big /f >/dev/null 2>&1
  menu=$(find "$p/drive_c/users" -path '*Start Menu/Programs' -type d 2>/dev/null | head -1)
  mkdir -p "$menu/Rec Tools"
  printf 'another program' >"$menu/Rec Tools/Other Tool.lnk"
  WINEPREFIX="$p" wineserver -w
}

record_seeded_sums() {
  local p=$1 menu
  menu=$(find "$p/drive_c/users" -path '*Start Menu/Programs' -type d 2>/dev/null | head -1)
  (cd "$p/drive_c" && md5sum "Rec Demo/MY NOTES.TXT" "Rec Demo/SETTINGS.DAT" \
    windows/RECINF/MACHINE.INF windows/win.ini) 2>&1
  (cd "$menu" && md5sum "Rec Tools/Other Tool.lnk") 2>&1
  echo "Colour=$(reg_value "$p" 'HKCU\Software\Rec Settings' Colour)"
  echo "Size=$(reg_value "$p" 'HKCU\Software\Rec Settings\Window' Size)"
}

record_nothing_left() {
  local p=$1 menu
  menu=$(find "$p/drive_c/users" -path '*Start Menu/Programs' -type d 2>/dev/null | head -1)
  check "the product's files are gone" bash -c "cd '$p/drive_c' && test ! -e 'Rec Demo/REC.EXE' && \
    test ! -e 'Rec Demo/OLD.TXT' && test ! -e 'Rec Demo/UNINST.EXE' && test ! -e 'Rec Demo/InstLog.txt' && \
    test ! -e windows/RECINF/REC.INF"
  check "the item the installation added to the group is gone" test ! -e "$menu/Rec Tools/Rec Program.lnk"
  check "the value the installation wrote is gone" \
    bash -c "! WINEPREFIX='$p' wine reg query 'HKCU\\Software\\Rec Settings' /v Rec >/dev/null 2>&1"
  check "the uninstall entry is gone" no_key "$p" 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Rec Demo'
}

case_record_keeps_what_was_there_before() {
  local p pkg
  p=$(fresh_prefix nt40 record-keeps)
  pkg=$(record_package keeps 1)
  record_seed "$p"
  record_seeded_sums "$p" >"$work/record-keeps.before"
  cp "$p/drive_c/windows/win.ini" "$work/record-keeps.win.ini"
  record_install "$p" "$pkg" record-keeps-install
  check "the kept WIN.INI is untouched by the installation" \
    cmp "$work/record-keeps.win.ini" "$p/drive_c/windows/win.ini"
  check "the installation placed its file" test -f "$p/drive_c/Rec Demo/REC.EXE"
  check "the installation added its item to the group that was there" bash -c \
    "find '$p/drive_c/users' -path '*Start Menu/Programs/Rec Tools/Rec Program.lnk' | grep -q ."
  check "pkginfo shows the record of the uninstaller" \
    grep -q -F 'F C:\Rec Demo\MY NOTES.TXT' <("$host/pkginfo" "$p/drive_c/Rec Demo/UNINST.EXE")
  record_uninstall "$p" record-keeps-uninstall
  record_seeded_sums "$p" >"$work/record-keeps.after"
  check "everything seeded is intact, byte for byte" \
    diff -u "$work/record-keeps.before" "$work/record-keeps.after"
  record_nothing_left "$p"
}

case_record_two_versions_then_uninstall() {
  local p v1 v2
  p=$(fresh_prefix nt40 record-upgrade)
  v1=$(record_package v1 1 'Source: "files/OLD.TXT"')
  v2=$(record_package v2 2)
  record_seed "$p"
  record_seeded_sums "$p" >"$work/record-upgrade.before"
  record_install "$p" "$v1" record-upgrade-v1
  check "version 1 placed its own file" test -f "$p/drive_c/Rec Demo/OLD.TXT"
  record_install "$p" "$v2" record-upgrade-v2
  check "version 2 replaced the program" grep -q 'version 2' "$p/drive_c/Rec Demo/REC.EXE"
  record_uninstall "$p" record-upgrade-uninstall
  record_seeded_sums "$p" >"$work/record-upgrade.after"
  check "what was there before version 1 is intact" \
    diff -u "$work/record-upgrade.before" "$work/record-upgrade.after"
  record_nothing_left "$p"
}
