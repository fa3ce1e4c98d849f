#!/usr/bin/env bash
# Regenerates the README's pictures from the real tavelin.exe under Wine + Xvfb, in a private
# prefix set up as every prefix of this project (Wine's Marlett and Tahoma installed):
#   docs/windows.png  the wait window during a (slowed) flush, then the result window
#   docs/about.png    the About window over the result window
#   docs/effect.png   the screen effect started from the About window (half size)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${TAV_SESSION_DIR:-}" ]; then
  tools/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target tavelin tavelin_assets tavelin_driver tavelin_fsync_shim >/dev/null
  exec tests/wine/with-wine "$0" "$@"
fi

dist=$PWD/build/windows
out=$PWD/docs
shots=$TAV_SESSION_DIR/shots
mkdir -p "$shots"
driver() { wine "$dist/tavelin_driver.exe" "$@" | tr -d '\r'; }
# value KEY VERB ARGS...: one value of the driver's answer (lines "key=value").
value() {
  local key=$1 line
  shift
  while IFS= read -r line; do [ "${line%%=*}" = "$key" ] && echo "${line#*=}"; done < <(driver "$@")
}

# grab CLASS FILE: the window with its frame, as it is on the screen.
grab() {
  local l t r b
  IFS=, read -r l t r b <<<"$(value rect window "$1")"
  import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$2"
}

# A desktop in the classic Windows colour behind the windows (and in the effect's snapshot).
read -r width height < <(xdotool getdisplaygeometry)
convert -size "${width}x$height" "xc:#3a6ea5" "$shots/desktop.png"
display -window root "$shots/desktop.png" || true  # (sets the background, then exits with 1)

truncate -s 8M "$TAV_SESSION_DIR/demo.img"
ln -sfn "$TAV_SESSION_DIR/demo.img" "$WINEPREFIX/dosdevices/t::"
LD_PRELOAD=$dist/host-tools/fsync_shim.so TAVELIN_SHIM_PATH=demo.img TAVELIN_SHIM_SLEEP_MS=4000 \
  timeout -k 5 120 wine "$dist/tavelin.exe" T: >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

driver wait wait 30000 >/dev/null
sleep 1.5  # about time itself: the picture shows the clip as it plays 1.5 s after the window shows
grab wait "$shots/wait.png"
driver ready result 60000 >/dev/null
grab result "$shots/result.png"
convert "$shots/wait.png" -size 24x1 xc:white "$shots/result.png" -background white -gravity center \
  +append -bordercolor white -border 12 "$out/windows.png"

driver click result info >/dev/null
driver ready about 10000 >/dev/null
sleep 1  # about time itself: the picture shows the About window's clip as it plays a second after the show
# The About window has no frame of its own to show the window behind it: take both.
IFS=, read -r l t r b <<<"$(value rect window result)"
IFS=, read -r al at ar ab <<<"$(value rect window about)"
x0=$((l < al ? l : al)); y0=$((t < at ? t : at)); x1=$((r > ar ? r : ar)); y1=$((b > ab ? b : ab))
import -window root -crop "$((x1 - x0 + 24))x$((y1 - y0 + 24))+$((x0 - 12))+$((y0 - 12))" +repage "$out/about.png"

# Orrimel starts the effect; a click ends it.
IFS=, read -r l t w h <<<"$(value rect rect about effect)"
xdotool mousemove $((l + w / 2)) $((t + h / 2)) click 1
driver wait effect 10000 >/dev/null
xdotool mousemove $((width - 1)) $((height - 1))
sleep "${TAVELIN_EFFECT_SECONDS:-1}"  # about time itself: the picture shows what the effect made of the screen in that time
import -window root "$shots/effect-full.png"
convert "$shots/effect-full.png" -resize 50% "$out/effect.png"
xdotool mousemove $((width / 2)) $((height / 2)) click 1
wait "$pid" || true
trap - EXIT
echo "wrote docs/windows.png docs/about.png docs/effect.png"
