# Shared by the end-to-end scripts. They run inside tools/with-wine (WINEPREFIX, DISPLAY set)
# and take from the environment:
#   TAVELIN_DIST    the folder with tavelin.exe and its sibling files
#   TAVELIN_DRIVER  the window driver (driver.exe)
#   TAVELIN_SHIM    the flush shim (a Linux shared library)
set -euo pipefail

: "${WINEPREFIX:?run inside tools/with-wine}" "${DISPLAY:?run inside tools/with-wine}"
: "${TAVELIN_DIST:?}" "${TAVELIN_DRIVER:?}"

E2E_TMP=$(mktemp -d -t tavelin-e2e.XXXXXX)
TAV_PID=""
failures=0

e2e_cleanup() {
  if [ -n "$TAV_PID" ] && kill -0 "$TAV_PID" 2>/dev/null; then
    kill "$TAV_PID" 2>/dev/null || true
    wait "$TAV_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

driver() { wine "$TAVELIN_DRIVER" "$@" | tr -d '\r'; }

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check_eq() {  # check_eq ACTUAL EXPECTED WHAT
  if [ "$1" == "$2" ]; then echo "ok: $3"; else fail "$3"; echo "  expected: $2"; echo "  actual:   $1"; fi
}

# Starts tavelin.exe in the background: tavelin_start [ENV=VALUE...] -- ARGS...
# EXE (default: the build's tavelin.exe) may be set to run another copy.
tavelin_start() {
  local envs=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do envs+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  env "${envs[@]}" timeout -k 5 120 wine "${EXE:-$TAVELIN_DIST/tavelin.exe}" "$@" >/dev/null 2>&1 &
  TAV_PID=$!
}

# Waits for the program to end; its exit code goes to TAV_RC. (Not in a subshell: only this
# shell can wait for its child.)
tavelin_wait() {
  TAV_RC=0
  wait "$TAV_PID" || TAV_RC=$?
  TAV_PID=""
}

# The result text the program must show: the error piece from FormatMessageA's own text, then the
# stage piece. Both escaped as the driver prints them.
expected_text() {  # expected_text ERROR STAGE
  local error=$1 stage=$2 text
  text=$(driver fmt "$error")
  if [ "$error" != 0 ]; then text="Error: $error:\\r\\n$text"; fi
  if [ "$stage" != 8 ]; then text="$text\\r\\nInternal error code: $stage"; fi
  printf '%s' "$text"
}

# Control geometry from `driver info`: field_of LINE-PATTERN FIELD
field_of() { grep -E "$1" | head -n 1 | sed -E "s/.* $2=([^ ]*).*/\\1/"; }

e2e_done() {
  if [ "$failures" -eq 0 ]; then echo "PASS"; exit 0; fi
  echo "$failures check(s) failed"
  exit 1
}
