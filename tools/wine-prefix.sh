# Sourced by every script that makes a Wine prefix (the end-to-end suite, the
# main job, the benchmarks). A fresh prefix links the user's Desktop,
# Documents, Downloads, Music, Pictures, Videos and Templates to the host's
# home: an uninstallation into one of them would delete the host's own files.
# So Wine runs with HOME in a scratch folder, and every link under the
# prefix's user folders becomes a real, empty folder right after wineboot.
# Z: (the host's root) stays: the runs start programs through it.
#
#   . tools/wine-prefix.sh
#   wine_scratch_home DIR          HOME=DIR/home, made if missing
#   make_wine_prefix PREFIX VERSION  wineboot, real user folders, no window
#                                  manager, the Windows version (nt40, ...)
#   machine_runs_32_bit_code       true when Wine's 32-bit loader can start

# Wine runs setup.exe, a 32-bit program, in a 32-bit process. Some kernels
# start no 32-bit programs at all (IA-32 emulation turned off): there the
# Wine steps cannot run, and the callers say so instead of failing.
machine_runs_32_bit_code() {
  local loader=/usr/lib/wine/wine
  [ -x "$loader" ] || loader=$(command -v wine) || return 1
  "$loader" --version >/dev/null 2>&1
}

wine_scratch_home() {
  mkdir -p "$1/home"
  export HOME="$1/home"
  export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
}

# Replaces every symbolic link under the prefix's user folders by a folder.
unlink_wine_user_folders() {
  local prefix=$1 link
  [ -d "$prefix/drive_c/users" ] || return 0
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir -p "$link"
  done < <(find "$prefix/drive_c/users" -mindepth 1 -maxdepth 3 -type l -print0)
}

make_wine_prefix() {
  local prefix=$1 version=$2
  WINEPREFIX="$prefix" wineboot -i >"$prefix.wineboot.log" 2>&1
  WINEPREFIX="$prefix" wineserver -w
  unlink_wine_user_folders "$prefix"
  if find "$prefix/drive_c/users" -mindepth 1 -maxdepth 3 -type l | grep -q .; then
    echo "make_wine_prefix: $prefix still links outside itself" >&2
    return 1
  fi
  WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
  # The title bar's glyphs come from Marlett; this Wine does not find the
  # fonts-wine copy by itself and would draw the close button as a letter r.
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
  fi
  WINEPREFIX="$prefix" wineserver -w
}

# start_xvfb FIRST LAST LOG: a private virtual display on the first free
# number from FIRST to LAST; sets DISPLAY and xvfb_pid, or fails.
start_xvfb() {
  local n
  xvfb_pid=""
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$3" 2>&1 &
    xvfb_pid=$!
    sleep 1
    kill -0 "$xvfb_pid" 2>/dev/null && { export DISPLAY=":$n"; return 0; }
    xvfb_pid=""
  done
  return 1
}

# bench_nt40_prefix PREFIX: a copy of the Wine suite's NT 4.0 prefix when it
# is ready, otherwise a new one.
bench_nt40_prefix() {
  if [ -f /tmp/e2e-wine/prefix-nt40/.e2e-ready ]; then
    cp -a /tmp/e2e-wine/prefix-nt40 "$1"
    unlink_wine_user_folders "$1"
  else
    make_wine_prefix "$1" nt40
  fi
}
