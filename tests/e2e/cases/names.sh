# Names and destinations the program refuses: nothing is written for them.

case_names_refused_before_anything_is_written() {
  local p name
  p=$(fresh_prefix nt40 names)
  for name in device dotdir; do
    printf 'run %s\ntimeout 30\nbox OK\n' "$(winpath "$pkgs/$name.exe")" >"$work/names-$name.script"
    drive "$p" "names-$name"
    check "$name.exe is information error 15" same_transcript "names-$name" <<'T'
box|Error|Error 15 in installation info.|OK
exit|1
T
  done
  check "no destination, no uninstaller" test ! -e "$p/drive_c/Program Files/E2E Demo"
  check "no uninstall entry" no_key "$p" \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\E2E Demo'
}

case_names_destination_cannot_be_the_windows_directory() {
  local p
  p=$(fresh_prefix nt40 namesdest)
  {
    printf 'run %s\n' "$(winpath "$pkgs/basic.exe")"
    cat <<'S'
timeout 30
main Install C:\windows\system32
box OK
main Install c:\WINDOWS\.\
box OK
main Install C:\\
box OK
main Install C:\.
box OK
main Install C:\E2E Demo.
box OK
main Cancel
box Yes
S
  } >"$work/namesdest.script"
  ls -A "$p/drive_c/windows/system32" | sort >"$work/namesdest.before"
  drive "$p" namesdest
  check "the Windows directories and the root spelled otherwise are refused" \
    same_transcript namesdest <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\windows\system32|Install
box|E2E Setup - Error|This directory cannot hold the installation.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|c:\WINDOWS\.\|Install
box|E2E Setup - Error|This directory cannot hold the installation.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\\|Install
box|E2E Setup - Error|Illegal path.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\.|Install
box|E2E Setup - Error|Illegal path.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Demo.|Install
box|E2E Setup - Error|Illegal path.|OK
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Demo.|Cancel
box|E2E Setup - Message|Do you want to abort the installation?|Yes
exit|1
T
  check "nothing was written in the system directory" \
    diff "$work/namesdest.before" <(ls -A "$p/drive_c/windows/system32" | sort)
  check "no log in the Windows directory" test ! -e "$p/drive_c/windows/InstLog.txt"
  check "no directory from the name ending in a dot" test ! -e "$p/drive_c/E2E Demo"
}
