#!/usr/bin/env bash
# The screen effect window, hosted by effect_runner the way the program shows it, under Wine +
# Xvfb with real X11 input. effect_runner reports what each run did and ends with
# "effect_runner: PASS" when its own checks held. Usage: effect.sh SCENARIO
. "$(dirname "$0")/lib.sh"
: "${TAVELIN_EFFECT_RUNNER:?}"

FX_PID=""
on_exit '[ -n "$FX_PID" ] && kill "$FX_PID" 2>/dev/null; [ -n "$FX_PID" ] && wait "$FX_PID" 2>/dev/null'

# fx_start NAME ARGS...: starts the runner in the background; its output goes to FX_OUT.
fx_start() {
  local name=$1
  shift
  FX_OUT=$E2E_TMP/$name.out
  : >"$FX_OUT"
  timeout -k 5 120 wine "$TAVELIN_EFFECT_RUNNER" "$@" >"$FX_OUT" 2>&1 </dev/null &
  FX_PID=$!
}

# fx_wait_for PATTERN [SECONDS]: waits until the runner's output has a line matching PATTERN.
fx_wait_for() {
  tav_until "${2:-30}" grep -q -- "$1" "$FX_OUT" && return 0
  echo "--- runner output:"; cat "$FX_OUT"
  return 1
}

# shot_still FILE: a screenshot of the whole screen once it holds still (two in a row alike): the
# runner holds still, and what it drew last has reached the screen.
shot_still() {
  local next=${1%.png}.next.png
  alike_again() {
    import -window root "$next" || return 1
    [ "$(compare -metric AE "$1" "$next" null: 2>&1)" == 0 ] && return 0
    mv -f "$next" "$1"
    return 1
  }
  import -window root "$1" && tav_until 10 alike_again "$1" || fail "the screen did not hold still for $1"
  rm -f "$next"
}

# fx_settle: the effect window has taken the input sent before (it repaints only once no input is
# left); fails when it is gone.
fx_settle() { driver settle effect; }

# fx_finish: waits for the runner to end; fails unless it passed its own checks.
fx_finish() {
  local rc=0
  wait "$FX_PID" || rc=$?
  FX_PID=""
  if [ $rc -ne 0 ] || ! grep -q "effect_runner: PASS" "$FX_OUT"; then
    fail "runner exit $rc"
    cat "$FX_OUT"
    return 1
  fi
  ok "the runner's own checks held"
}

# ---------------------------------------------------------------------------------------------
# The effect window covers the screen with the desktop as it was just before the effect began,
# a few thousand passes of preset 0 change that picture only a little, by shifted blocks, and a
# repaint of the window puts the snapshot back.
scenario_snapshot() {
  local W H go covering_before covering_during a diff cx0 cy0 cx1 cy1 dx0 dy0 dx1 dy1 margin=64
  read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
  go=$E2E_TMP/go
  fx_start snapshot --presets 0 --wait-file "$(winpath "${go}0")" --pause-at 2,3000,3002 \
    --go-file "$(winpath "$go")" --repaint-at 3000 --stop-passes 3003 --timeout-ms 60000

  # Screenshots are taken while the runner holds still: before the effect and at passes 2, 3000
  # and 3002 (after the whole window was invalidated at 3000 and repainted at the next yield).
  fx_wait_for '^waiting' || fail "runner did not start"
  shot_still "$E2E_TMP/before.png"
  covering_before=$(xwininfo -root -tree | grep -c " ${W}x${H}+0+0 ")
  touch "${go}0"
  fx_wait_for '^paused at pass 2[[:space:]]*$' || fail "no pass 2"
  shot_still "$E2E_TMP/pass2.png"
  covering_during=$(xwininfo -root -tree | grep -c " ${W}x${H}+0+0 ")
  touch "${go}2"
  fx_wait_for '^paused at pass 3000[[:space:]]*$' 60 || fail "no pass 3000"
  shot_still "$E2E_TMP/pass3000.png"
  touch "${go}3000"
  fx_wait_for '^paused at pass 3002[[:space:]]*$' || fail "no pass 3002"
  shot_still "$E2E_TMP/pass3002.png"
  touch "${go}3002"
  fx_finish

  [ "$covering_during" -gt "$covering_before" ] ||
    fail "no window covers the ${W}x${H} screen during the effect"

  # analyse PICTURE: effect_picture.py's figures for the picture against the one before.
  analyse() {
    local picture
    for picture in before "$1"; do convert "$E2E_TMP/$picture.png" -depth 8 "rgb:$E2E_TMP/$picture.rgb"; done
    python3 "$E2E_DIR/effect_picture.py" "$E2E_TMP/before.rgb" "$E2E_TMP/$1.rgb" "$W" "$H"
  }
  # value KEY FIGURES: one of the figures (lines "key=value", as the driver answers).
  value() { read_answer <<<"$2"; printf '%s' "${ANSWER[$1]:-}"; }

  # After one repaint and two passes: the desktop, except for at most the two copied blocks.
  a=$(analyse pass2)
  echo "pass 2: $(tr '\n' ' ' <<<"$a")"
  [ "$(value colours_before "$a")" -gt 20 ] || fail "the desktop picture has no content to compare"
  [ "$(value diff "$a")" -le $((2 * 128 * 128)) ] || fail "pass 2 differs from the desktop by more than two blocks"
  [ "$(value new_colours "$a")" -eq 0 ] || fail "pass 2 shows colours the desktop did not have"
  [ "$(value lit_after "$a")" -ge $(($(value lit_before "$a") * 9 / 10)) ] || fail "pass 2 is darker than the desktop"

  # After 3000 passes: some change, little of the screen, near the content, no new colours.
  a=$(analyse pass3000)
  echo "pass 3000: $(tr '\n' ' ' <<<"$a")"
  diff=$(value diff "$a")
  [ "$diff" -gt 0 ] || fail "3000 passes changed nothing"
  [ "$diff" -le $((W * H / 5)) ] || fail "3000 passes changed more than a fifth of the screen"
  [ "$(value new_colours "$a")" -eq 0 ] || fail "shifted blocks made colours the desktop did not have"
  IFS=, read -r cx0 cy0 cx1 cy1 <<<"$(value content_box "$a")"
  IFS=, read -r dx0 dy0 dx1 dy1 <<<"$(value changed_box "$a")"
  [ "$dx0" -ge $((cx0 - margin)) ] && [ "$dy0" -ge $((cy0 - margin)) ] &&
    [ "$dx1" -le $((cx1 + margin)) ] && [ "$dy1" -le $((cy1 + margin)) ] ||
    fail "changes reach beyond the desktop's content (blocks moved further than a shift)"

  # The repaint took the snapshot again: at most the two blocks copied since.
  a=$(analyse pass3002)
  echo "pass 3002: $(tr '\n' ' ' <<<"$a")"
  [ "$(value diff "$a")" -le $((2 * 128 * 128)) ] || fail "a repaint did not restore the snapshot"
}

# Every preset from -1 to 22 runs and ends on a character key, one run after another in one
# process; each run starts from a new window object (preset 10 after 9 has no range left over).
scenario_presets() {
  local out ef
  fx_start presets --presets "$(seq -s, -1 22)" --stop-passes 400 --timeout-ms 30000
  fx_finish
  out=$(tr -d '\r' <"$FX_OUT")
  echo "$out"

  for ef in $(seq -1 22); do
    grep -q "^run [0-9]* preset $ef returned passes=400 .* stop=posted$" <<<"$out" ||
      fail "preset $ef did not run 400 passes and end on the key"
  done
  # Shifts the table fixes exactly, seen on the block copies themselves.
  expect_shift() {  # expect_shift PRESET DX-RANGE DY-RANGE BLOCK
    grep -q "^run [0-9]* preset $1 returned .* dx=\[$2\] dy=\[$3\] .* block=$4 " <<<"$out" ||
      fail "preset $1: expected dx=[$2] dy=[$3] block=$4"
  }
  expect_shift -1 '-1,-1' '-1,-1' 128x128
  expect_shift 3 '-1,-1' '-1,-1' 128x128
  expect_shift 10 '-10,-10' '-10,-10' 128x128
  expect_shift 22 '-1,-1' '-1,-1' 128x128
  expect_shift 12 '100,102' '-2,0' 128x128
  expect_shift 0 '-1,1' '-1,1' 128x128
  expect_shift 17 '2,3' '-10,-9' 1x1
  expect_shift 21 '-250,-225' '-25,0' 25x255
}

# Real input through X: a click and a character key each end the effect after the current pass
# and the caller's modal show returns; arrows, function keys and lone modifiers do not end it;
# input queued while the effect sets up ends it after its first pass; the system's close
# command ends it too, without leaving the loop running on a window that is gone.
scenario_input() {
  local kind key
  returned() { grep -q "^run 1 preset 0 returned" "$FX_OUT"; }

  # ended_by_real_input NAME XDOTOOL-ARGS...: the effect runs until the input, then the caller returns.
  ended_by_real_input() {
    local name=$1
    shift
    fx_start "$name" --presets 0 --timeout-ms 30000
    fx_wait_for '^effect running' || { fail "$name: effect did not start"; return; }
    fx_settle || fail "$name: the effect window does not take messages"
    returned && fail "$name: ended before any input"
    xdotool "$@"
    fx_wait_for '^run 1 preset 0 returned.*stop=none' 10 || fail "$name: input did not end the effect"
    fx_finish || fail "$name: runner checks"
  }
  ended_by_real_input click mousemove 500 400 click 1
  ended_by_real_input char key a
  ended_by_real_input enter key Return

  # Keys that make no character leave the effect running; a character key then ends it.
  fx_start nochar --presets 0 --timeout-ms 30000
  if fx_wait_for '^effect running'; then
    fx_settle || fail "nochar: the effect window does not take messages"
    for key in Left Right Up Down F5 shift ctrl Shift_R; do
      xdotool key "$key"
    done
    # Taken, and the window still there after a pass more.
    fx_settle && fx_settle || fail "a key without a character ended the effect"
    returned && fail "a key without a character ended the effect"
    xdotool key x
    fx_wait_for '^run 1 preset 0 returned.*stop=none' 10 || fail "character key after arrows did not end it"
    fx_finish
  else
    fail "nochar: effect did not start"
  fi

  # Input that arrives while the window sets up waits for the first yield: one pass, then the end.
  for kind in char click; do
    fx_start "queued-$kind" --presets 0,7,0 --queue-input "$kind" --timeout-ms 30000
    fx_finish || fail "queued $kind"
    [ "$(grep -c 'returned passes=1 ' "$FX_OUT")" -eq 3 ] || fail "queued $kind: not exactly one pass per run"
  done

  # Alt+F4 closes the window under the loop: the run ends, the DC goes back, the caller returns.
  fx_start altf4 --presets 0 --timeout-ms 30000
  if fx_wait_for '^effect running'; then
    fx_settle || fail "altf4: the effect window does not take messages"
    xdotool key alt+F4
    fx_wait_for '^run 1 preset 0 returned.*stop=none' 10 || fail "Alt+F4 left the effect running"
    fx_finish || fail "altf4: runner checks"
  else
    fail "altf4: effect did not start"
  fi
}

# Every run gives the screen's DC back: 20 runs in one process leave no screen DC taken. An
# overflow in the loop (x + dx past 32767 on a 24000-pixel-wide screen with preset 6) ends the
# effect cleanly: DC released, window unloaded, the caller's show returns and the next run works.
scenario_teardown() {
  local wide rc=0
  fx_start twenty --presets 0 --runs 20 --stop-passes 300 --timeout-ms 30000
  fx_finish
  [ "$(grep -c 'returned passes=300 .*screen_dcs_in_loop=1 screen_dcs_after=0 stop=posted' "$FX_OUT")" -eq 20 ] ||
    fail "not 20 runs that held one screen DC and gave it back"
  grep -q "screen dcs taken=\([0-9]*\) released=\1 outstanding=0 bad_releases=0" "$FX_OUT" ||
    fail "screen DCs unbalanced over 20 runs"
  tr -d '\r' <"$FX_OUT" | tail -2

  # A screen of its own, wide enough for preset 6 to overflow.
  fresh_prefix wide 24000x300x24
  wide=$E2E_TMP/wide.out
  # Preset 6 has 50000 passes to overflow in (it does long before); the run after it, a few to show
  # that the program goes on.
  timeout -k 5 180 wine "$TAVELIN_EFFECT_RUNNER" --presets 6,6,0 --stop-passes 50000,50000,2000 --timeout-ms 60000 \
    >"$wide" 2>&1 </dev/null || rc=$?
  tr -d '\r' <"$wide"
  [ $rc -eq 0 ] && grep -q "effect_runner: PASS" "$wide" || fail "wide screen run: exit $rc"
  grep -q "^screen 24000x300" "$wide" || fail "the wide screen was not 24000 pixels wide"
  [ "$(grep -c 'preset 6 returned passes=[0-9]* .*screen_dcs_after=0 stop=none' "$wide")" -eq 2 ] ||
    fail "preset 6 did not end by itself (overflow) with the DC released"
  grep -q 'run 3 preset 0 returned passes=2000 .*stop=posted' "$wide" ||
    fail "the program did not go on after the overflow"
}

run_scenario "$@"
