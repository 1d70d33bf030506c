#!/usr/bin/env bash
# The main job, from a fresh clone on a Debian machine: installs what is
# needed, builds the stub (setup.exe) and the tools, builds the example
# package, and runs it under Wine in a virtual display: the installation,
# then the installed uninstaller. Prints the transcript of every window and
# the installation log, and saves screenshots of both dialogs.
#
#   tools/main-job.sh        output under build/main-job/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/main-job"
cd "$root"
tools/install-deps.sh

jobs=$(nproc)
echo "=== building the stub and the tools"
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" >/dev/null
cmake --preset host >/dev/null && cmake --build --preset host -j "$jobs" --target pkgbuild pkginfo >/dev/null
ls -l build/win32/setup.exe

rm -rf "$out" && mkdir -p "$out/shots"
echo "=== building the example package"
build/host/pkgbuild examples/example.setup -o "$out/SETUP.EXE" --stub build/win32/setup.exe
build/host/pkginfo "$out/SETUP.EXE" | head -40

. tools/wine-prefix.sh
if ! machine_runs_32_bit_code; then
  echo "=== not run: this machine starts no 32-bit programs (IA-32 emulation is off in its"
  echo "    kernel), so Wine cannot run $out/SETUP.EXE here"
  exit 3
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$out/prefix"
wine_scratch_home "$out"
xvfb_pid="" watcher_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap cleanup EXIT
start_xvfb 130 160 "$out/xvfb.log" || { echo "no virtual display could be started"; exit 1; }

echo "=== preparing a Windows NT 4.0 prefix"
make_wine_prefix "$WINEPREFIX" nt40

# The UI driver asks for a screenshot by creating NAME.req.
(
  while :; do
    for req in "$out"/shots/*.req; do
      [ -e "$req" ] || continue
      import -display "$DISPLAY" -window root "$out/shots/$(basename "$req" .req).png" 2>/dev/null
      rm -f "$req"
    done
    sleep 0.1
  done
) &
watcher_pid=$!
export E2E_SHOT_DIR="Z:${out//\//\\}\\shots"
cp build/win32/tests/e2e/win32/uidriver.exe "$out/uidriver.exe"

# The example installs in a blink, before any picture of its progress
# dialog could be taken. For that picture a copy of the example carries 800
# more files of generated data (200 MiB), and is shot a moment into its
# work, while the Cancel question is open (moved aside). That installation then finishes and is
# removed again with the uninstaller's silent mode.
mkdir -p "$out/slow/files/samples"
cp -r examples/files/. "$out/slow/files/"
for n in $(seq -w 1 800); do head -c 262144 /dev/urandom >"$out/slow/files/samples/S$n.DAT"; done
awk '{ print } /^\[Files\]/ { print "Source: \"files/samples/*.DAT\"; Flags: Uncompressed" }' \
  examples/example.setup >"$out/slow/example.setup"
build/host/pkgbuild "$out/slow/example.setup" -o "$out/SLOW.EXE" --stub build/win32/setup.exe >/dev/null
cat >"$out/progress-shot.script" <<S
run Z:${out//\//\\}\\SLOW.EXE
timeout 60
main Install C:\\Progress Shot
wait progress
pause 300
holdcancel
aside
shot progress-dialog
box No
box OK
S
echo "=== the progress dialog's picture (transcript)"
(cd "$out" && wine uidriver.exe progress-shot.script progress-shot.out >"$out/progress-shot.driver.log" 2>&1) || true
cat "$out/progress-shot.out"
wineserver -k 2>/dev/null || true; wineserver -w
wine 'C:\Progress Shot\UNINSTEN.EXE' /S >"$out/progress-shot.uninstall.log" 2>&1 && echo "removed again silently, exit code 0"
for _ in $(seq 1 50); do [ -d "$WINEPREFIX/drive_c/Progress Shot" ] || break; sleep 0.2; done
wineserver -k 2>/dev/null || true; wineserver -w

dest='C:\Example Notes'
cat >"$out/install.script" <<S
run Z:${out//\//\\}\\SETUP.EXE
timeout 60
wait main
shot main-dialog
main Install $dest
progress
box OK
S
echo "=== installing (transcript)"
(cd "$out" && wine uidriver.exe install.script install.out >"$out/install.driver.log" 2>&1) || true
cat "$out/install.out"
wineserver -k 2>/dev/null || true; wineserver -w
echo "=== installation log"
tr -d '\r' <"$WINEPREFIX/drive_c/Example Notes/InstLog.txt"
echo "=== installed files"
(cd "$WINEPREFIX/drive_c/Example Notes" && find . -type f | sort)
grep -q '^exit|0$' "$out/install.out" || { echo "the installation did not succeed"; exit 1; }

cat >"$out/uninstall.script" <<S
run $dest\\UNINSTEN.EXE
timeout 60
box Yes
box OK
S
echo "=== uninstalling (transcript)"
(cd "$out" && wine uidriver.exe uninstall.script uninstall.out >"$out/uninstall.driver.log" 2>&1) || true
cat "$out/uninstall.out"
# The uninstaller's batch file removes it and its directory after it ended.
for _ in $(seq 1 50); do [ -d "$WINEPREFIX/drive_c/Example Notes" ] || break; sleep 0.2; done
wineserver -k 2>/dev/null || true
grep -q '^exit|0$' "$out/uninstall.out" || { echo "the uninstallation did not succeed"; exit 1; }
if [ -d "$WINEPREFIX/drive_c/Example Notes" ]; then
  echo "left behind:"; find "$WINEPREFIX/drive_c/Example Notes"; exit 1
fi
echo "=== screenshots"
ls -l "$out/shots"/*.png
echo "main job done: installed and uninstalled, exit code 0"
