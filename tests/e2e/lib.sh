# The one shell library of the end-to-end scenarios. A scenario file sources it, defines a
# function scenario_<name> per scenario and ends with `run_scenario "$@"`; the scenario passes
# when the script exits with 0, which it does when no check failed.
#
# The environment (TAVELIN_E2E_ENV in tests/e2e/CMakeLists.txt, set on every scenario's test):
#   TAVELIN_DIST            the folder with tavelin.exe and its sibling files
#   TAVELIN_SIBLINGS        the sibling files as KEY=name, separated by spaces (SIBLINGS below)
#   TAVELIN_DRIVER          the window driver (driver.exe; its verbs are listed in driver.cpp)
#   TAVELIN_RECORDER        about_recorder.exe, the shell's stand-in
#   TAVELIN_EFFECT_RUNNER   effect_runner.exe, the screen effect's host
#   TAVELIN_MARKER          planted_marker.dll
#   TAVELIN_SHIM            the flush shim (a Linux library preloaded into Wine)
#   TAVELIN_VERSION         the build's version, x.y.z
#   TAVELIN_SOURCE          the source tree
#   TAVELIN_ARTIFACTS       where scenarios leave screenshots
#   TAVELIN_RELEASE_ZIP     the release zip (SHA256SUMS beside it); TAVELIN_RELEASE_FOLDER its folder
#   TAVELIN_EXE_AUDIT       tavelin_win_tests.exe, whose TavelinExe tests read TAVELIN_AUDITED_EXE
# A scenario runs in a session of tests/wine/with-wine (one is made when there is none) on the
# lane ctest gave it. DISPLAY and WINEPREFIX are the lane's, with the drives of
# setup-drives.sh. E2E_TMP is the scenario's own folder, removed at the end.
set -uo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$E2E_DIR/../wine/lib.sh"

: "${TAVELIN_DIST:?}" "${TAVELIN_DRIVER:?}" "${TAVELIN_SIBLINGS:?}"
if [ -z "${TAV_SESSION_DIR:-}" ]; then
  exec "$E2E_DIR/../wine/with-wine" bash "$0" "$@"
fi
# The lane ctest allocated (RESOURCE_GROUPS, lanes.json), which no other scenario holds while
# this one runs; a scenario run by hand, outside ctest, gets a lane of its own.
TAV_LANE=${CTEST_RESOURCE_GROUP_0_LANE:-}
TAV_LANE=${TAV_LANE#id:}
TAV_LANE=${TAV_LANE%%,*}
: "${TAV_LANE:=solo}"

# ---------------------------------------------------------------------------------------------
# Checks and the scenario's end

# In the session's folder: gone with the session even when the scenario is killed.
E2E_TMP=$(mktemp -d "$TAV_SESSION_DIR/scenario.XXXXXX")
TAV_PID=""
failures=0
checks=0
# ok WHAT: a check that held.
ok() {
  echo "ok: $*"
  checks=$((checks + 1))
}
# fail WHY: counts a failed check.
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# expect WHAT ACTUAL EXPECTED
expect() {
  if [ "$2" == "$3" ]; then
    ok "$1"
  else
    fail "$1"
    echo "  expected: $3"
    echo "  actual:   $2"
  fi
}
# A misspelt check or helper is a failure, not a check left out.
command_not_found_handle() {
  echo "FAIL: no command $1" | tee -a "$E2E_TMP/not-found" >&2
  return 127
}
# wine_x_fault FILE|FOLDER...: whether the output there holds the X error with which Wine 8's X11
# driver now and then ends a process that shows and hides full-screen windows (BadWindow on
# X_UnmapWindow, printed by Xlib as it ends the process; no Win32 call can cause one).
wine_x_fault() {
  grep -rIqs "X Error of failed request:  BadWindow" "$@" && grep -rIqs "(X_UnmapWindow)" "$@"
}
finish() {
  [ -s "$E2E_TMP/not-found" ] && failures=$((failures + $(wc -l <"$E2E_TMP/not-found")))
  # A failed scenario in which Wine ended one of its processes that way runs once more, whole.
  if [ "$failures" -ne 0 ] && [ -z "${TAV_E2E_AGAIN:-}" ] && wine_x_fault "$E2E_TMP"; then
    echo "info: Wine's X11 driver ended a process of this scenario with an X error of its own; once more"
    trap - EXIT
    e2e_cleanup
    TAV_E2E_AGAIN=1 exec bash "$0" "$E2E_SCENARIO"
  fi
  # A scenario that stopped before its checks proves nothing.
  [ "$failures" -eq 0 ] && [ "$checks" -eq 0 ] && fail "no check ran"
  if [ "$failures" -eq 0 ]; then
    echo "PASS"
    exit 0
  fi
  echo "$failures check(s) failed"
  exit 1
}
# run_scenario NAME: runs scenario_NAME (dashes become underscores), then finish.
run_scenario() {
  local function=scenario_${1:-}
  function=${function//-/_}
  if [ $# -ne 1 ] || ! declare -F "$function" >/dev/null; then
    echo "usage: $0 $(declare -F | sed -n 's/^declare -f scenario_//p' | tr _ - | tr '\n' ' ')" >&2
    exit 2
  fi
  E2E_SCENARIO=$1
  "$function"
  finish
}

# tavelin_kill: ends the program if it still runs.
tavelin_kill() {
  if [ -n "$TAV_PID" ] && kill -0 "$TAV_PID" 2>/dev/null; then
    kill "$TAV_PID" 2>/dev/null
    wait "$TAV_PID" 2>/dev/null
  fi
  TAV_PID=""
}

# on_exit COMMAND: runs COMMAND when the scenario ends, also when it fails (last added, first run).
E2E_ON_EXIT=()
on_exit() { E2E_ON_EXIT=("$1" "${E2E_ON_EXIT[@]}"); }
e2e_cleanup() {
  local command
  tavelin_kill
  for command in "${E2E_ON_EXIT[@]}"; do eval "$command"; done
  rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# ---------------------------------------------------------------------------------------------
# The lane

# A lane is made by the first scenario that gets it (anew when an earlier try was cut short); its
# display, server and the server's programs are detached from that scenario and outlive it.
lane_up() {
  local name=lane-$TAV_LANE dir=$TAV_SESSION_DIR/stations/lane-$TAV_LANE log
  mkdir -p "$TAV_SESSION_DIR/stations"
  if [ ! -f "$dir/ready" ]; then
    log=$TAV_SESSION_DIR/stations/$name.log
    tav_station_down "$name"
    if ! (tav_station_up "$name" "${TAVELIN_SCREEN:-1024x768x24}" &&
          bash "$E2E_DIR/setup-drives.sh") >"$log" 2>&1 </dev/null; then
      cat "$log"
      echo "FAIL: lane $TAV_LANE could not be set up"
      exit 1
    fi
    touch "$dir/ready"
  fi
  export DISPLAY WINEPREFIX=$dir/prefix
  DISPLAY=$(cat "$dir/display")
}
tav_wine_env
lane_up
echo "lane $TAV_LANE: DISPLAY=$DISPLAY"
unset TAVELIN_EXE
mkdir -p "${TAVELIN_ARTIFACTS:=$E2E_TMP/artifacts}"

# fresh_prefix NAME [SCREEN]: from here on the scenario runs in a prefix of its own as a new
# user has it (set up as every prefix of the session), on a display of its own when SCREEN
# (WxHxD) is given, else on the lane's. Ended when the scenario ends.
fresh_prefix() {
  local name=$1-$TAV_LANE
  on_exit "tav_station_down $name"
  tav_station_up "$name" "${2:-}" || { fail "no fresh prefix"; finish; }
  tav_wineserver_start
}

# ---------------------------------------------------------------------------------------------
# Windows paths and the driver

# winpath PATH: a file of this machine as Windows programs name it (Z: is the root).
winpath() { echo "Z:${1//\//\\}"; }

# windows_path PATH: what Wine names a file of this machine (or a Windows path as it is).
windows_path() {
  local path
  case "$1" in
    [A-Za-z]:\\*) echo "$1"; return 0 ;;
  esac
  path=$(winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r')
  # Called for its output, in a subshell: the caller counts the failure.
  [ -n "$path" ] || { echo "Wine names no Windows path for $1" >&2; return 1; }
  echo "$path"
}

# driver VERB ARGS...: the window driver (its verbs are listed at the top of driver.cpp); it sees
# only the windows of the program started last. Its answer is lines "key=value".
# A failure the driver does not explain itself (a crash, a start that failed) is named on the
# error output, so that the check it fails can be told from a condition not met.
driver() {
  local status started=${EPOCHREALTIME/./}
  timeout -k 5 120 wine "$TAVELIN_DRIVER" "$@" </dev/null | tr -d '\r'
  status=${PIPESTATUS[0]}
  [ "$status" -le 2 ] || echo "driver $*: exit code $status after $(( (${EPOCHREALTIME/./} - started) / 1000 )) ms" >&2
  return "$status"
}

# read_answer: an answer on the standard input into ANSWER (key -> value).
declare -A ANSWER=()
read_answer() {
  local line
  ANSWER=()
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ -n "$line" ] && ANSWER[${line%%=*}]=${line#*=}
  done
  return 0
}
# ask VERB ARGS...: the driver's answer into ANSWER; fails when the driver does.
ask() {
  local out status
  out=$(driver "$@")
  status=$?
  read_answer <<<"$out"
  return "$status"
}
# answer VERB ARGS...: the value of the driver's one-line answer.
answer() {
  local out
  out=$(driver "$@") || return
  printf '%s\n' "${out#*=}"
}

# settled WANTED SECONDS COMMAND...: the command's output once it is WANTED, else its last output
# after SECONDS: what input changes is read when the program has taken the input, however busy
# the machine is.
settled() {
  local wanted=$1 limit=$2
  shift 2
  SETTLED=""
  settled_is() { SETTLED=$("$@"); [ "$SETTLED" == "$wanted" ]; }
  tav_until "$limit" settled_is "$@"
  printf '%s' "$SETTLED"
}

# control_rect WINDOW CONTROL: "x y width height" of the control's client area on the screen.
control_rect() {
  local rect
  rect=$(answer rect "$1" "$2") && [ -n "$rect" ] || return 1
  echo "${rect//,/ }"
}
# control_centre WINDOW CONTROL: the screen point "x y" at the centre of a control.
control_centre() {
  local x y w h
  read -r x y w h < <(control_rect "$1" "$2") && [ -n "${h:-}" ] || return 1
  echo "$((x + w / 2)) $((y + h / 2))"
}
# click_at X Y: a real left click through X11 at that point of the screen, on its own: a click at
# the point of the one before waits out the double-click time (Windows' default, 500 ms) since it.
E2E_LAST_CLICK=""
click_at() {
  local now=${EPOCHREALTIME/./} last_x last_y last_time
  read -r last_x last_y last_time <<<"${E2E_LAST_CLICK:-x x 0}"
  if [ "$last_x $last_y" == "$1 $2" ] && [ $((now - last_time)) -lt 600000 ]; then
    sleep 0.6  # about time itself: the double-click time runs out, so that this click is a click of its own
  fi
  # (--sync would wait for a motion that never comes when the pointer is already there.)
  xdotool mousemove "$1" "$2" click 1
  E2E_LAST_CLICK="$1 $2 ${EPOCHREALTIME/./}"
}
# click_control WINDOW CONTROL [DX DY]: a real left click at the control's centre (or at DX, DY
# from its top-left corner).
click_control() {
  local x y w h
  read -r x y w h < <(control_rect "$1" "$2") && [ -n "${h:-}" ] || return 1
  if [ $# -ge 4 ]; then
    x=$((x + $3)); y=$((y + $4))
  else
    x=$((x + w / 2)); y=$((y + h / 2))
  fi
  click_at "$x" "$y"
}
# plain_box TEXT: the driver's answer for a message box of the program with TEXT, an OK button,
# no icon, owned by the About window.
plain_box() { printf 'text=%s\nbuttons=OK\nicons=0\nowner=TavelinAbout' "$1"; }
# click_screen_centre: a real left click in the middle of the screen (it ends the screen effect).
click_screen_centre() {
  local width height
  read -r width height < <(xdotool getdisplaygeometry)
  click_at $((width / 2)) $((height / 2))
}

# ---------------------------------------------------------------------------------------------
# The program

TAV_RC=""
# tavelin_start [NAME=VALUE... --] ARGS...: starts the program in the background from the
# scenario's folder, with those variables; EXE (a path of this machine or a Windows path;
# default the build's tavelin.exe) runs another copy; its error output goes to TAV_STDERR
# (default: tavelin.stderr in E2E_TMP). The driver then counts only the windows of that program.
tavelin_start() {
  local envs=() exe=${EXE:-$TAVELIN_DIST/tavelin.exe}
  if printf '%s\n' "$@" | grep -qx -- '--'; then
    while [ "$1" != "--" ]; do envs+=("$1"); shift; done
    shift
  fi
  TAVELIN_EXE=$(windows_path "$exe") || { fail "the program could not be started: Wine names no Windows path for $exe"; return 1; }
  export TAVELIN_EXE
  (cd "$E2E_TMP" && exec env "${envs[@]}" timeout -k 5 180 wine "$exe" "$@") \
    </dev/null >/dev/null 2>>"${TAV_STDERR:-$E2E_TMP/tavelin.stderr}" &
  TAV_PID=$!
}
# tavelin_wait [SECONDS]: waits for the program to end (default 60 s); its exit code goes to
# TAV_RC, which stays empty (and the call fails) when it is still running.
tavelin_wait() {
  TAV_RC=""
  tav_until "${1:-60}" tav_gone "$TAV_PID" || return 1
  TAV_RC=0
  wait "$TAV_PID" || TAV_RC=$?
  TAV_PID=""
}

# tavelin_state: whether the program still runs, or how it ended, and which of its windows show.
tavelin_state() {
  local windows="" role
  for role in wait result about effect; do windows+=" $role=$(answer count "$role")"; done
  if [ -n "$TAV_PID" ] && ! tav_gone "$TAV_PID"; then
    echo "running;$windows"
  elif [ -n "$TAV_PID" ]; then
    wait "$TAV_PID"
    echo "ended with exit code $?;$windows"
  else
    echo "not started;$windows"
  fi
}

# The files beside tavelin.exe, by name, as the build lists them.
# SIBLING_<KEY> each, as the build's one list names them: SIBLING_WAIT_CLIP, SIBLING_ABOUT_CLIP,
# SIBLING_SOUND, SIBLING_LICENCE, SIBLING_README.
SIBLINGS=()
for pair in $TAVELIN_SIBLINGS; do
  declare "SIBLING_${pair%%=*}=${pair#*=}"
  SIBLINGS+=("${pair#*=}")
done
unset pair

# use_app_copy: from here on the program runs as a copy with its sibling files in $APP, a
# folder of the scenario's own, which the scenario may change.
use_app_copy() {
  local f
  APP=$E2E_TMP/app
  mkdir -p "$APP"
  for f in tavelin.exe "${SIBLINGS[@]}"; do
    cp "$TAVELIN_DIST/$f" "$APP/" || fail "no $f to copy"
  done
  EXE=$APP/tavelin.exe
}

# shim_env [NAME=VALUE...]: the variables that preload the flush shim, acting on the image behind
# S: unless TAVELIN_SHIM_PATH says another (fsync_shim.c lists the others).
shim_env() { echo "LD_PRELOAD=$TAVELIN_SHIM" "TAVELIN_SHIM_PATH=tavelin-drives/stick.img" "$@"; }

# expected_text ERROR STAGE: the result text the program must show for that outcome, escaped as
# the driver prints it (the driver builds it from FormatMessage's text, not from the program's).
expected_text() { answer result-text "$1" "$2"; }

# run_with_clip WHAT [NAME=VALUE... --] ARGS...: the program, started with a slowed flush, shows
# its wait window, whose clip plays, then the result of a complete success; Ok ends it with exit
# code 0.
run_with_clip() {
  local what=$1 frames
  shift
  tavelin_start "$@"
  driver wait wait 30000 || fail "no wait window $what"
  driver wait result 60000 || fail "no result window $what"
  frames=$(answer frames)
  if [ "${frames:-0}" -gt 3 ]; then ok "the clip played $what ($frames frames)"; else fail "the clip did not play $what (${frames:-no} frames)"; fi
  expect "result text $what" "$(answer text)" "$(expected_text 0 8)"
  driver click result ok
  tavelin_wait; expect "exit code $what" "$TAV_RC" 0
}

# open_about ARGS...: starts the program, waits for the result window and clicks "&Info...".
open_about() {
  tavelin_start "$@" || return 1
  driver ready result 30000 || { fail "the result window did not come up ready for input ($(tavelin_state))"; return 1; }
  click_control result info || { fail "no Info button"; return 1; }
  driver ready about 10000 || { fail "the About window did not come up ready for input"; return 1; }
}

# use_dpi DPI: the system DPI for the programs started from here on; back to 96 at the end.
use_dpi() {
  tav_set_dpi "$1"
  on_exit "WINEPREFIX='$WINEPREFIX' tav_set_dpi 96"
}

# map_image_drive LETTER: a drive the program flushes successfully, an image file of the
# scenario's own.
map_image_drive() {
  truncate -s 1M "$E2E_TMP/drive.img"
  ln -sfn "$E2E_TMP/drive.img" "$WINEPREFIX/dosdevices/$1::"
  on_exit "rm -f '$WINEPREFIX/dosdevices/$1::'"
}

# ---------------------------------------------------------------------------------------------
# The shell and the sound

SHELL_LOG=$E2E_TMP/recorder.exe.log
# use_recorder: the shell's requests (text files and web addresses) go to the recorder, which
# logs one line each to SHELL_LOG: "parent=<the program that started it>\tcwd=<folder>\tcmd=<command line>".
use_recorder() {
  local exe
  cp "$TAVELIN_RECORDER" "$E2E_TMP/recorder.exe"
  exe=$(windows_path "$E2E_TMP/recorder.exe" | sed 's/\\/\\\\/g')
  cat >"$E2E_TMP/recorder.reg" <<REG
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
  timeout 60 wine regedit /S "$(windows_path "$E2E_TMP/recorder.reg")" </dev/null >/dev/null 2>&1
  # The program hands its requests to the desktop's shell, which registers itself a moment after
  # the prefix starts.
  driver desktop-shell 30000 || fail "the desktop's shell does not answer"
}
# shell_requests: how many requests the recorder has logged.
shell_requests() { [ -f "$SHELL_LOG" ] && tr -d '\r' <"$SHELL_LOG" | wc -l || echo 0; }
# shell_request N FIELD: a field of the N-th request (1-based): parent (the program that started
# the recorder, "explorer.exe" for the desktop's shell), cwd or cmd.
shell_request() {
  local line part parts
  line=$(tr -d '\r' <"$SHELL_LOG" | head -n "$1" | tail -n 1)
  IFS=$'\t' read -ra parts <<<"$line"
  for part in "${parts[@]}"; do
    [ "${part%%=*}" = "$2" ] && printf '%s\n' "${part#*=}"
  done
}
requested_by() { shell_request "$1" parent; }
# requested_document N: the document of the N-th request, as the recorder's command line has it.
requested_document() {
  local cmd
  cmd=$(shell_request "$1" cmd)
  printf '%s\n' "${cmd#*recorder.exe\" }"
}
# wait_requests N: waits until the recorder has logged N requests in all.
wait_requests() {
  requests_reached() { [ "$(shell_requests)" -ge "$1" ]; }
  tav_until 10 requests_reached "$1"
}

# use_sound_capture: ALSA's file plugin stands in for the sound card, so that a scenario reads
# what was played (CAPTURE; the plugin rewrites it for every sound). Lanes have audio off; this
# turns it on for the scenario's programs and back off at the end.
use_sound_capture() {
  CAPTURE=$E2E_TMP/capture.raw
  cat >"$E2E_TMP/asound.conf" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$CAPTURE"
  format "raw"
}
CONF
  export ALSA_CONFIG_PATH=$E2E_TMP/asound.conf
  audio alsa
  on_exit "WINEPREFIX='$WINEPREFIX' audio ''"
}
audio() { timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "$1" /f </dev/null >/dev/null 2>&1; }
# whole_once BYTES SOUND: "whole" when BYTES captured hold a sound of SOUND bytes played once to
# its end, else BYTES. On a loaded machine Wine's audio thread can fall behind and write a
# little silence into the stream, never a sound's length.
whole_once() { if [ "$1" -ge "$2" ] && [ "$1" -lt $(($2 * 2)) ]; then echo whole; else echo "$1"; fi; }
# captured: the size of the last sound played.
captured() { stat -c %s "$CAPTURE" 2>/dev/null || echo 0; }
# write_silence BYTES FILE: a wave file of that many bytes of 16-bit mono silence at 22050 Hz.
write_silence() {
  byte() { printf "\\$(printf %03o "$1")"; }
  le16() { byte $(($1 & 255)); byte $((($1 >> 8) & 255)); }
  le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
  {
    printf RIFF; le32 $((36 + $1)); printf 'WAVEfmt '; le32 16; le16 1; le16 1; le32 22050
    le32 44100; le16 2; le16 16; printf data; le32 "$1"; head -c "$1" /dev/zero
  } >"$2"
}
