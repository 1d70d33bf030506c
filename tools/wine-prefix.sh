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
