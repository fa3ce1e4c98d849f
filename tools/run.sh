#!/usr/bin/env bash
# Installs what is missing, builds tavelin.exe and runs it under Wine.
#
#   tools/run.sh                  on a demo drive: an image file mapped as T:
#   tools/run.sh E:               on drive E: as the private prefix maps it
#   tools/run.sh E: /dev/sdb1     maps E: to a device or image file first, then runs on it
#
# With a display (DISPLAY set) the windows appear on it. Without one the run happens on a private
# Xvfb: the script prints the result text, saves a screenshot of the result window and closes it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. tools/wine-env.sh
tav_fixed_layout bash "$root/tools/run.sh" "$@"

tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tavelin tavelin_assets tavelin_driver >/dev/null

tav_wine_env
export WINEPREFIX=$root/build/run-prefix

headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=0; fi
cleanup() {
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  tav_xvfb_stop
}
trap cleanup EXIT
[ "$headless" = 1 ] && tav_xvfb_start

if [ ! -f "$WINEPREFIX/.tavelin-ready" ]; then
  echo "Preparing a private Wine prefix (once)..."
fi
tav_prefix_init "$WINEPREFIX"
[ -x tests/wine/prefix-associations.sh ] && tests/wine/prefix-associations.sh >/dev/null

drive=${1:-}
target=${2:-}
if [ -z "$drive" ]; then
  drive=T:
  target=$root/build/demo-drive.img
  [ -f "$target" ] || truncate -s 16M "$target"
  echo "No drive given: using the demo drive T: (an image file, build/demo-drive.img)."
fi
if [ -n "$target" ]; then
  letter=$(printf '%s' "${drive:0:1}" | tr 'A-Z' 'a-z')
  ln -sfn "$(realpath "$target")" "$WINEPREFIX/dosdevices/$letter::"
fi

exe=$root/build/windows/tavelin.exe
if [ "$headless" = 0 ]; then
  rc=0
  wine "$exe" "$drive" || rc=$?
  echo "tavelin.exe exit code: $rc"
  exit 0
fi

driver() { wine "$root/build/windows/tavelin_driver.exe" "$@" | tr -d '\r'; }
wine "$exe" "$drive" >/dev/null 2>&1 &
pid=$!
# Shown, in front and painted: what the screenshot takes.
driver ready result 120000 >/dev/null
while IFS= read -r line; do
  [ "${line%%=*}" = rect ] && IFS=, read -r l t r b <<<"${line#*=}"
done < <(driver window result)
shot=$root/build/tavelin-result.png
import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$shot"
echo "Result text:"
text=$(driver text)
text=${text#text=}
text=${text//\\r/}
printf '%b\n' "$text"
driver click result ok >/dev/null
rc=0
wait "$pid" || rc=$?
echo "tavelin.exe exit code: $rc"
echo "Screenshot of the result window: build/tavelin-result.png"
