# What every script that runs tavelin.exe under Wine needs, tools/run.sh and the tests alike: the
# Wine environment, a prefix set up as this project's prefixes are, a private X display, and a
# way to wait for a condition. Source it; nothing here touches a prefix or display that the
# caller did not create.

tav_wine_env() {
  export WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
}

# tav_fixed_layout COMMAND...: runs COMMAND (the calling script again) in place of the caller,
# without address randomization, once, where the kernel allows it. Debian's Wine has no
# preloader, so the kernel puts the loader's heap anywhere in the gigabyte above the loader; about
# one start in a thousand it lands on 0x7ffe0000, where Wine must map the shared user data, and
# that Windows program ends at once with exit code 1 ("failed to map the shared user data",
# which WINEDEBUG=-all hides). Without randomization the heap starts right after the loader.
tav_fixed_layout() {
  local persona
  persona=$(cat /proc/self/personality 2>/dev/null) || return 0
  (( 0x$persona & 0x0040000 )) && return 0  # ADDR_NO_RANDOMIZE already
  setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null || return 0
  exec setarch "$(uname -m)" --addr-no-randomize "$@"
}

# tav_until SECONDS COMMAND...: runs COMMAND until it succeeds; fails when it has not within
# SECONDS (decimals allowed) of wall-clock time, however slowly the machine runs.
tav_until() {
  local limit=$1 whole fraction deadline
  shift
  whole=${limit%%.*}
  fraction=000000
  [[ $limit == *.* ]] && fraction=${limit#*.}000000
  deadline=$(( ${EPOCHREALTIME/./} + 10#${whole:-0} * 1000000 + 10#${fraction:0:6} ))
  until "$@"; do
    (( ${EPOCHREALTIME/./} < deadline )) || return 1
    sleep 0.05  # the interval between two looks at the condition, not a wait for it
  done
}

# tav_gone PID: whether the process has ended.
tav_gone() { ! kill -0 "$1" 2>/dev/null; }

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

# tav_xvfb_start [SCREEN]: a private Xvfb on a free display (SCREEN as WxHxD; default
# TAVELIN_SCREEN or 1024x768x24); sets DISPLAY and TAV_XVFB_PID. It is detached from the caller:
# a test that starts a lane's display does not take it along when the test ends.
tav_xvfb_start() {
  local screen=${1:-${TAVELIN_SCREEN:-1024x768x24}} out number
  out=$(mktemp -d)
  setsid -f sh -c 'echo $$ >"$0/pid"; exec Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -dpi 96 3>"$0/display"' \
    "$out" "$screen" </dev/null >/dev/null 2>&1 8>&- 9>&-
  tav_until 30 test -s "$out/display"
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

tav_xvfb_stop() {
  tav_pid_stop "${TAV_XVFB_PID:-}" Xvfb
  TAV_XVFB_PID=""
}

# tav_pid_stop PID PROGRAM: ends a process this session started, if it is still that program.
tav_pid_stop() {
  local pid=$1
  [ -n "$pid" ] && grep -qa -- "$2" "/proc/$pid/cmdline" 2>/dev/null || return 0
  kill "$pid" 2>/dev/null
  tav_until 5 tav_gone "$pid" || kill -9 "$pid" 2>/dev/null
  return 0
}
