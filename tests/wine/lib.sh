# Shared by the test scripts that run Windows programs: on top of tools/wine-env.sh (the Wine
# environment, a prepared prefix, a private X display), the server of a prefix, the system DPI,
# and the session's further environments (stations). Source it; nothing here touches a prefix or
# display that the caller did not create.
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"

# tav_set_dpi DPI: the system DPI of the prefix in WINEPREFIX, for the programs started after it.
tav_set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1 || return 1
  done
}

# Starts a persistent server for the prefix and the system processes it keeps (services,
# devices, the desktop), all detached from the caller's output: started later by a test, they
# would inherit its pipe and keep the test runner waiting for the end of that output.
tav_wineserver_start() {
  wineserver -p >/dev/null 2>&1 </dev/null 9>&-
  wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null 9>&- || true
}

tav_wineserver_stop() {
  [ -n "${WINEPREFIX:-}" ] && WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
}

# tav_prefix_clone TEMPLATE DIR: a copy of a ready prefix in DIR, in about a second. The system's
# programs, libraries, fonts and locale data are hard links (Wine never writes into them); the
# rest (the registry, settings files) is copied, so that the copy changes alone.
tav_prefix_clone() {
  local template=$1 prefix=$2
  mkdir -p "$prefix" && cp -a -l "$template/." "$prefix/" || return 1
  find "$prefix" -type f -links +1 \
    ! -iregex '.*\.\(dll\|exe\|drv\|sys\|ocx\|cpl\|acm\|tlb\|nls\|ttf\)' \
    -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f" || exit 1; done' sh {} +
}

# Stations: a session's further Wine environments, each a folder in $TAV_SESSION_DIR/stations
# with a prefix of its own (a copy of the session's pristine template), optionally a display of
# its own, and the prefix's server. tests/wine/with-wine ends every station when the session ends.

# tav_station_up NAME [SCREEN]: makes the station (a display of its own only when SCREEN is
# given) and exports its WINEPREFIX (and DISPLAY); its server is not started yet.
tav_station_up() {
  local dir=$TAV_SESSION_DIR/stations/$1 screen=${2:-} TAV_XVFB_PID=""
  mkdir -p "$dir" || return 1
  if [ -n "$screen" ]; then
    tav_xvfb_start "$screen" || return 1
    echo "$TAV_XVFB_PID" >"$dir/xvfb.pid"
    echo "$DISPLAY" >"$dir/display"
  fi
  tav_prefix_clone "$TAV_SESSION_DIR/template" "$dir/prefix" || return 1
  export WINEPREFIX=$dir/prefix
}

# tav_station_down NAME: ends the station's server, its programs and its display, and removes it.
tav_station_down() {
  local dir=$TAV_SESSION_DIR/stations/$1
  [ -d "$dir" ] || return 0
  [ -d "$dir/prefix" ] && WINEPREFIX=$dir/prefix wineserver -k 2>/dev/null
  [ -f "$dir/xvfb.pid" ] && tav_pid_stop "$(cat "$dir/xvfb.pid")" Xvfb
  rm -rf "$dir"
}

tav_stations_down() {
  local dir
  for dir in "$TAV_SESSION_DIR"/stations/*/; do
    [ -d "$dir" ] && tav_station_down "$(basename "$dir")"
  done
}
