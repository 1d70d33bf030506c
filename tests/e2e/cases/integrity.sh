# Damaged data and shared counts: what the Wine suite shows of them.
# Sourced by run.sh, with its helpers.

# A vital file whose compressed stream is cut short expands to fewer bytes
# than its size says: the installation ends with the write error.
case_a_cut_compressed_stream_in_a_vital_file_ends_the_installation() {
  local p dest
  p=$(fresh_prefix nt40 cutvital)
  dest="$p/drive_c/E2E Cut"
  printf 'run %s\ntimeout 60\nmain Install C:\\E2E Cut\nbox OK\nbox OK\n' \
    "$(winpath "$pkgs/cutvital.exe")" >"$work/cutvital.script"
  drive "$p" cutvital
  check "the damaged file is a failed write" same_transcript cutvital <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Cut|Install
box|E2E Setup - Error|Couldn't write data to 'C:\E2E Cut\CUT.DAT'.|OK
box|E2E Setup - Error|An error occured during the installation.\rThe software may not run properly.\r\rRun the installation program again to complete the installation.|OK
exit|1
T
  check "the log ends with the failure" \
    equals "$(tail -n 1 "$dest/InstLog.txt" | tr -d '\r')" "An error occured during installation!"
  check "no compressed copy stays" test ! -e "$dest/CUT.DA_"
}

# On a fresh system the SharedDLLs key is missing: the first shared file
# creates it and is counted once. The cut stream of a file that is not
# vital is logged by name and cause, and the installation succeeds.
case_the_first_shared_file_is_counted_and_a_damaged_nonvital_file_logged() {
  local p dest
  local shared='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs'
  p=$(fresh_prefix nt40 cutshared)
  dest="$p/drive_c/E2E Shared"
  check "the fresh prefix has no SharedDLLs key" no_key "$p" "$shared"
  printf 'run %s\ntimeout 60\nmain Install C:\\E2E Shared\nbox OK\n' \
    "$(winpath "$pkgs/cutshared.exe")" >"$work/cutshared.script"
  drive "$p" cutshared
  check "the installation succeeds" same_transcript cutshared <<'T'
main|E2E Setup|This installs the E2E Demo on your computer.|C:\E2E Shared|Install
box|E2E Setup - Message|The E2E Demo is installed.|OK
exit|0
T
  check "the first shared file is counted once" \
    equals "$(reg_value "$p" "$shared" 'C:\E2E Shared\SHARED.DLL')" "REG_DWORD 0x1"
  check "the damaged file is logged with its cause" \
    grep -q -F 'Wrong size of nonvital file: C:\E2E Shared\CUT.DAT' "$dest/InstLog.txt"
  check "no compressed copy stays" test ! -e "$dest/CUT.DA_"
}
