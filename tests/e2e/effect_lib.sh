# Shared by the screen-effect scenarios: runs effect_runner under Wine in the session that
# tools/with-wine exported, and reads what it printed. Source it after setting RUNNER.

set -uo pipefail

if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  exec "$here/tools/with-wine" bash "$0" "$@"
fi

FX_WORK=$(mktemp -d -t effect-e2e.XXXXXX)
FX_PID=""
FX_FAILED=0

fx_cleanup() {
  if [ -n "$FX_PID" ] && kill -0 "$FX_PID" 2>/dev/null; then
    kill "$FX_PID" 2>/dev/null
    wait "$FX_PID" 2>/dev/null
  fi
  rm -rf "$FX_WORK"
}
trap fx_cleanup EXIT

fail() { echo "FAIL: $*"; FX_FAILED=1; }
# A Windows path for a file of ours (Wine maps Z: to the root).
winpath() { echo "Z:${1//\//\\}"; }

# fx_start NAME ARGS...: starts the runner in the background; its output goes to $FX_WORK/NAME.
fx_start() {
  local name=$1
  shift
  FX_OUT=$FX_WORK/$name.out
  : >"$FX_OUT"
  timeout -k 5 120 wine "$RUNNER" "$@" >"$FX_OUT" 2>&1 </dev/null 9>&- &
  FX_PID=$!
}

# fx_wait_for PATTERN [SECONDS]: waits until the runner's output has a line matching PATTERN.
fx_wait_for() {
  local pattern=$1 limit=${2:-30} i
  for i in $(seq $((limit * 10))); do
    grep -q -- "$pattern" "$FX_OUT" && return 0
    sleep 0.1
  done
  echo "--- runner output:"; cat "$FX_OUT"
  return 1
}

# fx_finish: waits for the runner to end; fails unless it passed its own checks.
fx_finish() {
  wait "$FX_PID"
  local rc=$?
  FX_PID=""
  if [ $rc -ne 0 ] || ! grep -q "effect_runner: PASS" "$FX_OUT"; then
    fail "runner exit $rc"
    cat "$FX_OUT"
    return 1
  fi
  return 0
}

shot() { import -window root "$1"; }
# Number of pixels that differ between two pictures.
diff_pixels() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# Prints the first picture's RGB bytes as a file of raw pixels next to it.
raw_rgb() { convert "$1" -depth 8 "rgb:$1.rgb"; echo "$1.rgb"; }

fx_done() {
  if [ $FX_FAILED -ne 0 ]; then
    echo "$(basename "$0"): FAIL"
    exit 1
  fi
  echo "$(basename "$0"): PASS"
  exit 0
}
