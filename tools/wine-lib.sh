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

# tav_xvfb_start: a private Xvfb on a free display; sets DISPLAY and TAV_XVFB_PID.
tav_xvfb_start() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${TAVELIN_SCREEN:-1024x768x24}" -nolisten tcp -dpi 96 \
    3>"$fdfile" >/dev/null 2>&1 </dev/null &
  TAV_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(tr -d '\n' <"$fdfile")"
  rm -f "$fdfile"
  [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; return 1; }
}

# Starts a persistent server for the prefix and the system processes it keeps (services,
# devices, the desktop), all detached from the caller's output: started later by a test, they
# would inherit its pipe and keep the test runner waiting for the end of that output.
tav_wineserver_start() {
  wineserver -p >/dev/null 2>&1 </dev/null 9>&-
  wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null 9>&- || true
}

tav_xvfb_stop() {
  if [ -n "${TAV_XVFB_PID:-}" ]; then
    kill "$TAV_XVFB_PID" 2>/dev/null || true
    wait "$TAV_XVFB_PID" 2>/dev/null || true
    TAV_XVFB_PID=""
  fi
}

tav_wineserver_stop() {
  [ -n "${WINEPREFIX:-}" ] && WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
}
