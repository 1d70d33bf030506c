# Unattended runs under Wine, without the UI driver: the command lines an
# administrator types, run from a batch file (the command interpreter passes
# them unchanged and waits for the program), the exit codes and the logs.
# A window would wait for a click that never comes: every run must end by
# itself within its time limit.

# silent_run PREFIX NAME COMMAND-LINE: prints the program's exit code.
silent_run() {
  local p=$1 name=$2 line=$3
  # "echo 1>file" would redirect handle 1: the code follows a word.
  printf '@echo off\r\n%s\r\necho code %%ERRORLEVEL%% >%s\r\n' "$line" \
    "$(winpath "$work/$name.rc")" >"$work/$name.bat"
  rm -f "$work/$name.rc"
  (cd "$work" && WINEPREFIX="$p" timeout 300 wine cmd /c "$(winpath "$work/$name.bat")" \
    >"$work/$name.out" 2>&1)
  sed -n 's/^code \([0-9]*\).*/\1/p' "$work/$name.rc" 2>/dev/null
}

# The last line of a log, without its line end.
last_line() { tail -n 1 "$1" 2>/dev/null | tr -d '\r'; }

silent_round_trip() {
  local version=$1 p dest rc entry
  p=$(fresh_prefix "$version" "silent-$version")
  dest="$p/drive_c/Program Files/Silent Test"
  entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\E2E Demo'
  cp "$pkgs/basic.exe" "$p/drive_c/SETUP.EXE"
  rc=$(silent_run "$p" "silent-install-$version" 'C:\SETUP.EXE /S /D=C:\Program Files\Silent Test')
  check "the silent installation ends by itself with exit code 0" equals "$rc" 0
  check "README.TXT is installed" cmp "$pkgs/expected-README.TXT" "$dest/README.TXT"
  check "the uninstaller is in place" test -f "$dest/UNINST.EXE"
  check "the log is written and ends with the exit code" equals "$(last_line "$dest/InstLog.txt")" "Exit code: 0"
  check "the uninstall entry has the quiet uninstall command" \
    equals "$(reg_value "$p" "$entry" QuietUninstallString)" \
    'REG_SZ "C:\Program Files\Silent Test\UNINST.EXE" /S'
  WINEPREFIX="$p" wineserver -k 2>/dev/null
  WINEPREFIX="$p" wineserver -w 2>/dev/null

  rc=$(silent_run "$p" "silent-uninstall-$version" '"C:\Program Files\Silent Test\UNINST.EXE" /S')
  check "the silent uninstallation ends by itself with exit code 0" equals "$rc" 0
  # The batch file removes the uninstaller and the directory after the exit.
  wait_gone "$p" "$dest"
  check "the uninstaller removed itself and the destination" test ! -e "$dest"
  check "the uninstall entry is gone" no_key "$p" "$entry"
}

case_silent_install_and_uninstall_on_windows_nt40() { silent_round_trip nt40; }
case_silent_install_and_uninstall_on_windows10() { silent_round_trip win10; }

case_silent_installation_refuses_a_destination_without_its_parent() {
  local p rc log="$work/refused.log"
  p=$(shared_prefix nt40)
  rc=$(silent_run "$p" silent-refused \
    "$(winpath "$pkgs/basic.exe") /S /LOG=$(winpath "$log") /D=C:\\No Such\\Silent Test")
  WINEPREFIX="$p" wineserver -k 2>/dev/null
  check "the refusal ends with exit code 1" equals "$rc" 1
  check "the log names the cause" grep -q -x -F "Couldn't create the destination directory."$'\r' "$log"
  check "the log ends with the exit code" equals "$(last_line "$log")" "Exit code: 1"
  check "nothing is created" test ! -e "$p/drive_c/No Such"
}

case_silent_installation_leaves_the_restart_to_the_caller() {
  local p rc dest sys
  p=$(fresh_prefix nt40 silent-restart)
  dest="$p/drive_c/E2E Demo"
  sys="$p/drive_c/windows/system32"
  # An older version of the shared component is in place and in use.
  cp "$programs/testcomp_1_0_0_1.dll" "$sys/E2ETCOMP.DLL"
  rc=$(silent_run "$p" silent-restart "$(winpath "$pkgs/full.exe") /S /D=C:\\E2E Demo")
  # Ending the prefix's processes writes its registry out.
  WINEPREFIX="$p" wineserver -k 2>/dev/null
  WINEPREFIX="$p" wineserver -w 2>/dev/null
  check "the installation ends with exit code 3" equals "$rc" 3
  # Read before any Wine start-up carries the rename out.
  check "the shared component is replaced at the next start" \
    grep -q -i 'E2ETCOMP.DLL' <(grep -A3 -i '"PendingFileRenameOperations"' "$p/system.reg")
  check "the log ends with the exit code" equals "$(last_line "$dest/InstLog.txt")" "Exit code: 3"
  check "the log holds the successful verdict" grep -q "The installation was successful!" "$dest/InstLog.txt"
}

case_stub_carries_its_manifest() {
  check "setup.exe carries the well-formed manifest" \
    sh "$root/tests/manifest_check.sh" "$root/src/ui/setup.manifest" "$stub"
}

# Windows 10 next to 95, NT 3.51 and NT 4.0.
case_install_and_uninstall_round_trip_on_windows10() { round_trip win10; }
