# Cases of the builder: packages written by pkgbuild from a script, run
# under Wine.

# same_transcript for a transcript whose texts are in code page 1252 (as
# the program's ANSI texts are), compared as UTF-8.
same_transcript_1252() {
  local name=$1
  cat >"$work/$name.expected"
  if ! diff -u "$work/$name.expected" <(iconv -f CP1252 -t UTF-8 "$work/$name.out" | grep -v '^placement|') \
    >"$work/$name.diff" 2>&1; then
    sed 's/^/    /' "$work/$name.diff" >&2
    return 1
  fi
}

# The uninstall entry with the values pkgbuild adds from [Setup] (Publisher,
# DisplayVersion, URLInfoAbout, HelpLink) and by itself (EstimatedSize,
# NoModify, NoRepair): written with the entry, gone with it, and another
# program's entry stays. The title is UTF-8 in the script and arrives in
# code page 1252.
builder_entry_round_trip() {
  local version=$1 p dir dest entry list
  dir="$work/builder-entry-$version"
  mkdir -p "$dir"
  printf 'Entry demo.\r\n' >"$dir/README.TXT"
  cat >"$dir/entry.setup" <<'S'
[Setup]
Title=Entrée Setup
UninstallTitle=Entrée Uninstall
MainText=This installs the entry demo.
FinishedText=The entry demo is installed.
UninstallQuestion=Remove the entry demo?
DefaultDir=Entry Demo
CreateUninstaller=yes
Uninstaller=UNENTRY.EXE
UninstallDisplayName=Entry Demo 2.1
Publisher=Example Co
DisplayVersion=2.1.0
URLInfoAbout=https://example.com/entry
HelpLink=https://example.com/entry/help
Compress=no
[Files]
Source: "README.TXT"
S
  check "pkgbuild writes the package" "$host/pkgbuild" "$dir/entry.setup" -o "$dir/entry.exe" --stub "$stub" --strict
  p=$(fresh_prefix "$version" "builder-entry-$version")
  dest="$p/drive_c/Entry Demo"
  list='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
  entry="$list\\Entry Demo 2.1"
  WINEPREFIX="$p" wine reg add "$list\\Other Program" /v DisplayName /d 'Other Program' /f >/dev/null 2>&1
  WINEPREFIX="$p" wineserver -w
  printf 'run %s\ntimeout 60\nmain Install C:\\Entry Demo\nbox OK\n' "$(winpath "$dir/entry.exe")" \
    >"$work/entry-$version.script"
  drive "$p" "entry-$version"
  # The driver records the caption's bytes: é arrives as 0xE9 of code page 1252.
  check "the installation finishes under the converted title" same_transcript_1252 "entry-$version" <<'T'
main|Entrée Setup|This installs the entry demo.|C:\Entry Demo|Install
box|Entrée Setup - Message|The entry demo is installed.|OK
exit|0
T
  if [ "$version" = nt351 ]; then
    # No list of programs: the stub writes no entry; the builder's values go
    # into the same key and leave with it at the uninstallation.
    check "Windows NT 3.51 gets no DisplayName" equals "$(reg_value "$p" "$entry" DisplayName)" ""
  else
    check "DisplayName" equals "$(reg_value "$p" "$entry" DisplayName)" "REG_SZ Entry Demo 2.1"
  fi
  check "Publisher" equals "$(reg_value "$p" "$entry" Publisher)" "REG_SZ Example Co"
  check "DisplayVersion" equals "$(reg_value "$p" "$entry" DisplayVersion)" "REG_SZ 2.1.0"
  check "URLInfoAbout" equals "$(reg_value "$p" "$entry" URLInfoAbout)" "REG_SZ https://example.com/entry"
  check "HelpLink" equals "$(reg_value "$p" "$entry" HelpLink)" "REG_SZ https://example.com/entry/help"
  check "EstimatedSize in KiB" equals "$(reg_value "$p" "$entry" EstimatedSize)" "REG_DWORD 0x1"
  check "NoModify" equals "$(reg_value "$p" "$entry" NoModify)" "REG_DWORD 0x1"
  check "NoRepair" equals "$(reg_value "$p" "$entry" NoRepair)" "REG_DWORD 0x1"

  printf 'run C:\\Entry Demo\\UNENTRY.EXE\ntimeout 60\nbox Yes\nbox OK\n' >"$work/entry-un-$version.script"
  drive "$p" "entry-un-$version" keep
  check "the uninstallation finishes" same_transcript_1252 "entry-un-$version" <<'T'
box|Entrée Uninstall - Message|Remove the entry demo?|Yes
box|Entrée Uninstall - Message|Uninstallation is finished.|OK
exit|0
T
  wait_gone "$p" "$dest"
  check "the entry and its values are gone" no_key "$p" "$entry"
  check "the other program's entry stays" \
    equals "$(reg_value "$p" "$list\\Other Program" DisplayName)" "REG_SZ Other Program"
  check "the destination is gone" test ! -e "$dest"
}

case_uninstall_entry_values_come_and_go_on_nt40() { builder_entry_round_trip nt40; }
case_uninstall_entry_values_come_and_go_on_windows95() { builder_entry_round_trip win95; }
case_uninstall_entry_values_come_and_go_on_windows_nt351() { builder_entry_round_trip nt351; }
