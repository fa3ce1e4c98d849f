# Shared by the scripts that run Windows programs: a private Wine prefix and a private X display.
# Source it; nothing here touches a prefix or display that the caller did not create.

tav_wine_env() {
  export WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
}

# tav_prefix_init DIR: a ready-to-use prefix in DIR (created once; later calls return at once).
tav_prefix_init() {
  local prefix=$1
  mkdir -p "$prefix"
  [ -f "$prefix/.tavelin-ready" ] && return 0
  (
    export WINEPREFIX=$prefix
    tav_wine_env
    wineboot -i >/dev/null 2>&1 </dev/null
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
