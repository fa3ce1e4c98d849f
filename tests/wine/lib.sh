# Shared by the scripts that run Windows programs: a private Wine prefix and a private X display.
# Source it; nothing here touches a prefix or display that the caller did not create.

tav_wine_env() {
  export WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
}

# tav_wine_fonts_dir PREFIX: the folder of this Wine installation's own fonts. Wine tells its
# programs where its data lives (WINEDATADIR, an NT path); without an answer, the data folder
# beside the programs (<dir>/bin/wine -> <dir>/share/wine). TAVELIN_WINE_FONTS overrides both.
tav_wine_fonts_dir() {
  local prefix=$1 out nt dir letter bin
  if [ -n "${TAVELIN_WINE_FONTS:-}" ]; then echo "$TAVELIN_WINE_FONTS"; return 0; fi
  # Through a file, not a pipe: system processes that this start may leave behind would hold a
  # pipe open long after the answer.
  out=$(mktemp)
  WINEPREFIX=$prefix wine cmd /c echo %WINEDATADIR% >"$out" 2>/dev/null </dev/null 9>&-
  nt=$(tr -d '\r' <"$out" | tail -n 1)
  rm -f "$out"
  nt=${nt#\\??\\}
  case "$nt" in
    unix\\*) dir=/${nt#unix\\} ;;
    [A-Za-z]:\\*)
      letter=$(printf '%s' "${nt:0:1}" | tr 'A-Z' 'a-z')
      dir=$(realpath -q "$prefix/dosdevices/$letter:") && dir=${dir%/}/${nt:3} ;;
    *) dir="" ;;
  esac
  dir=${dir//\\//}/fonts
  if [ -f "$dir/marlett.ttf" ]; then echo "$dir"; return 0; fi
  for bin in wine wineserver; do
    bin=$(command -v "$bin") || continue
    bin=$(dirname "$(realpath "$bin")")
    for dir in "$bin/../share/wine/fonts" "$bin/../../share/wine/fonts"; do
      if [ -f "$dir/marlett.ttf" ]; then realpath "$dir"; return 0; fi
    done
  done
  return 1
}

# tav_prefix_fonts PREFIX: Wine's Marlett (the title bar's buttons, drawn as letters without it)
# and Tahoma (the link labels, the dialog font) in the prefix's Fonts folder, as on Windows.
tav_prefix_fonts() {
  local prefix=$1 fonts=$1/drive_c/windows/Fonts source f
  [ -f "$fonts/marlett.ttf" ] && [ -f "$fonts/tahoma.ttf" ] && return 0
  if ! source=$(tav_wine_fonts_dir "$prefix"); then
    echo "warning: Wine's own fonts (marlett.ttf) not found; title bars will show letters" >&2
    return 0
  fi
  mkdir -p "$fonts"
  for f in marlett.ttf tahoma.ttf tahomabd.ttf; do
    if [ -f "$source/$f" ]; then cp "$source/$f" "$fonts/"; else echo "warning: no $f in $source" >&2; fi
  done
  return 0
}

# tav_prefix_init DIR: a ready-to-use prefix in DIR (created once; later calls return at once).
tav_prefix_init() {
  local prefix=$1
  mkdir -p "$prefix"
  if [ -f "$prefix/.tavelin-ready" ]; then
    tav_prefix_fonts "$prefix"
    return 0
  fi
  (
    export WINEPREFIX=$prefix
    tav_wine_env
    wineboot -i >/dev/null 2>&1 </dev/null
    tav_prefix_fonts "$prefix"
    wineserver -w
    cat > "$prefix/tavelin-settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    wine regedit /S "$prefix/tavelin-settings.reg" >/dev/null 2>&1 </dev/null
    wineserver -w
  )
  touch "$prefix/.tavelin-ready"
}

# tav_set_dpi DPI: the system DPI of the prefix in WINEPREFIX, for the programs started after it.
tav_set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    timeout 60 wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1 || return 1
  done
}

# tav_xvfb_start [SCREEN]: a private Xvfb on a free display (SCREEN as WxHxD; default
# TAVELIN_SCREEN or 1024x768x24); sets DISPLAY and TAV_XVFB_PID. It is detached from the caller:
# a test that starts a lane's display does not take it along when the test ends.
tav_xvfb_start() {
  local screen=${1:-${TAVELIN_SCREEN:-1024x768x24}} out number i
  out=$(mktemp -d)
  setsid -f sh -c 'echo $$ >"$0/pid"; exec Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -dpi 96 3>"$0/display"' \
    "$out" "$screen" </dev/null >/dev/null 2>&1 8>&- 9>&-
  for i in $(seq 200); do
    [ -s "$out/display" ] && break
    sleep 0.05
  done
  TAV_XVFB_PID=$(cat "$out/pid" 2>/dev/null)
  number=$(tr -d '\n' <"$out/display" 2>/dev/null)
  rm -rf "$out"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    tav_xvfb_stop
    return 1
  fi
  export DISPLAY=:$number
}

# Starts a persistent server for the prefix and the system processes it keeps (services,
# devices, the desktop), all detached from the caller's output: started later by a test, they
# would inherit its pipe and keep the test runner waiting for the end of that output.
tav_wineserver_start() {
  wineserver -p >/dev/null 2>&1 </dev/null 9>&-
  wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null 9>&- || true
}

tav_xvfb_stop() {
  tav_pid_stop "${TAV_XVFB_PID:-}" Xvfb
  TAV_XVFB_PID=""
}

tav_wineserver_stop() {
  [ -n "${WINEPREFIX:-}" ] && WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
}

# tav_pid_stop PID PROGRAM: ends a process this session started, if it is still that program.
tav_pid_stop() {
  local pid=$1 i
  [ -n "$pid" ] && grep -qa -- "$2" "/proc/$pid/cmdline" 2>/dev/null || return 0
  kill "$pid" 2>/dev/null
  for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.05
  done
  kill -9 "$pid" 2>/dev/null
  return 0
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
