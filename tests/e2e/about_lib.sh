# Shared by the About window's end-to-end scenarios (source it).
#
# Usage of every scenario: about_<name>.sh <dist dir> <about_driver.exe> <about_recorder.exe>
#                                          <source dir> <artifact dir>
# It expects the environment of tools/with-wine (DISPLAY, WINEPREFIX, WINEARCH, WINEDEBUG,
# WINEDLLOVERRIDES). Each scenario runs its own copy of the program from a temporary folder,
# ends everything it started and removes the folder, also when it fails.

set -uo pipefail

DIST=$1
DRIVER=$2
RECORDER=$3
SOURCE=$4
ARTIFACTS=$5

: "${DISPLAY:?run inside tools/with-wine}" "${WINEPREFIX:?run inside tools/with-wine}"

WORK=$(mktemp -d -t tavelin-about.XXXXXX)
APP=$WORK/app
mkdir -p "$APP" "$ARTIFACTS"
for f in tavelin.exe res.dll korvane.dll korvane2.dll gpl.txt readme.txt; do
  [ -f "$DIST/$f" ] && cp "$DIST/$f" "$APP/"
done
cp "$RECORDER" "$WORK/recorder.exe"

PROGRAM_PID=""
FAILURES=0
export TAVELIN_EXE
TAVELIN_EXE=$(winepath -w "$APP/tavelin.exe" 2>/dev/null)
export TAVELIN_RECORDER_LOG
TAVELIN_RECORDER_LOG=$(winepath -w "$WORK/shell.log" 2>/dev/null)
SHELL_LOG=$WORK/shell.log

about_cleanup() {
  if [ -n "$PROGRAM_PID" ] && kill -0 "$PROGRAM_PID" 2>/dev/null; then
    kill "$PROGRAM_PID" 2>/dev/null
    wait "$PROGRAM_PID" 2>/dev/null
  fi
  [ -n "${MAPPED_DRIVE:-}" ] && rm -f "$MAPPED_DRIVE"
  rm -rf "$WORK"
}
trap about_cleanup EXIT

log() { echo "[$(date +%T)] $*"; }
fail() {
  echo "FAIL: $*" >&2
  FAILURES=$((FAILURES + 1))
}
# expect <description> <actual> <expected>
expect() {
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    fail "$1: got [$2], expected [$3]"
  fi
}
finish() {
  if [ "$FAILURES" -eq 0 ]; then
    echo "PASS"
    exit 0
  fi
  echo "$FAILURES check(s) failed" >&2
  exit 1
}

driver() { timeout -k 5 60 wine "$DRIVER" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# The shell's requests go to the recorder: text files and web addresses alike.
use_recorder() {
  local exe
  exe=$(winepath -w "$WORK/recorder.exe" | sed 's/\\/\\\\/g')
  cat > "$WORK/recorder.reg" <<REG
REGEDIT4

[HKEY_CLASSES_ROOT\\.txt]
@="txtfile"

[HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command]
@="\\"$exe\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\http\\shell\\open\\command]
@="\\"$exe\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]
@="\\"$exe\\" \\"%1\\""
REG
  timeout 60 wine regedit /S "$(winepath -w "$WORK/recorder.reg")" </dev/null >/dev/null 2>&1
}

# Lines the recorder has logged so far.
shell_requests() { [ -f "$SHELL_LOG" ] && tr -d '\r' <"$SHELL_LOG" | wc -l || echo 0; }
# wait_requests <n>: waits until the recorder has logged n requests in all.
wait_requests() {
  local i
  for i in $(seq 200); do
    [ "$(shell_requests)" -ge "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

# start_program <command-line argument>: runs the copy in the background.
start_program() {
  ( cd "$WORK" && exec timeout -k 5 180 wine "$APP/tavelin.exe" "$@" </dev/null >/dev/null 2>&1 ) &
  PROGRAM_PID=$!
}

# wait_program_exit [seconds]: sets EXIT_CODE, or fails when the program is still running.
wait_program_exit() {
  local i
  for i in $(seq $((${1:-20} * 20))); do
    if ! kill -0 "$PROGRAM_PID" 2>/dev/null; then
      wait "$PROGRAM_PID"
      EXIT_CODE=$?
      PROGRAM_PID=""
      return 0
    fi
    sleep 0.05
  done
  EXIT_CODE=""
  return 1
}

# click_control <class> <id> [dx dy]: a real left click through X11 at the control's centre
# (or at dx, dy from its top-left corner).
click_control() {
  local x y w h
  read -r x y w h < <(driver rect "$1" "$2") || return 1
  [ -n "${w:-}" ] || return 1
  if [ $# -ge 4 ]; then
    x=$((x + $3)); y=$((y + $4))
  else
    x=$((x + w / 2)); y=$((y + h / 2))
  fi
  # (--sync would wait for a motion that never comes when the pointer is already there.)
  xdotool mousemove "$x" "$y" sleep 0.1 click 1
}

# open_about <argument>: starts the program, waits for the result window and clicks "&Info...".
open_about() {
  start_program "$@"
  driver wait frmFine 30000 >/dev/null || { fail "the result window did not appear"; return 1; }
  sleep 0.3
  click_control frmFine 101 || { fail "no Info button"; return 1; }
  driver wait frmAbout 10000 >/dev/null || { fail "the About window did not appear"; return 1; }
  sleep 0.3
}

# A drive the program flushes successfully: a letter mapped to an image file in the work folder.
map_image_drive() {
  local letter=$1
  truncate -s 1M "$WORK/drive.img"
  ln -sfn "$WORK/drive.img" "$WINEPREFIX/dosdevices/${letter}::"
  MAPPED_DRIVE="$WINEPREFIX/dosdevices/${letter}::"
}

# use_sound_capture: ALSA's file plugin stands in for the sound card, so that a scenario reads
# what was played (CAPTURE; the plugin rewrites it for every sound). The session turns audio
# off; this turns it on for the scenario's programs and back off at the end.
use_sound_capture() {
  CAPTURE=$WORK/capture.raw
  cat > "$WORK/asound.conf" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$CAPTURE"
  format "raw"
}
CONF
  export ALSA_CONFIG_PATH=$WORK/asound.conf
  audio alsa
  trap 'audio ""; about_cleanup' EXIT
}
audio() { timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$1" /f </dev/null >/dev/null 2>&1; }
# The size of the last sound played.
captured() { stat -c %s "$CAPTURE" 2>/dev/null || echo 0; }
# write_silence <bytes> <file>: a wave file of that many bytes of 16-bit mono silence at 22050 Hz.
write_silence() {
  byte() { printf "\\$(printf %03o "$1")"; }
  le16() { byte $(($1 & 255)); byte $((($1 >> 8) & 255)); }
  le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
  {
    printf RIFF; le32 $((36 + $1)); printf 'WAVEfmt '; le32 16; le16 1; le16 1; le32 22050
    le32 44100; le16 2; le16 16; printf data; le32 "$1"; head -c "$1" /dev/zero
  } >"$2"
}
