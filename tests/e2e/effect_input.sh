#!/usr/bin/env bash
# Real input through X: a click and a character key each end the effect after the current pass
# and the caller's modal show returns; arrows, function keys and lone modifiers do not end it;
# input queued while the effect sets up ends it after its first pass; the system's close
# command ends it too, without leaving the loop running on a window that is gone.
# usage: effect_input.sh path/to/effect_runner.exe
RUNNER=$1
. "$(dirname "$0")/effect_lib.sh"

returned() { grep -q "^run 1 preset 0 returned" "$FX_OUT"; }

# ended_by_real_input NAME XDOTOOL-ARGS...: the effect runs until the input, then the caller returns.
ended_by_real_input() {
  local name=$1
  shift
  fx_start "$name" --presets 0 --timeout-ms 30000
  fx_wait_for '^effect running' || { fail "$name: effect did not start"; return; }
  sleep 0.5
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
  sleep 0.5
  for key in Left Right Up Down F5 shift ctrl Shift_R; do
    xdotool key "$key"
    sleep 0.3
  done
  sleep 1
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
  sleep 0.5
  xdotool key alt+F4
  fx_wait_for '^run 1 preset 0 returned.*stop=none' 10 || fail "Alt+F4 left the effect running"
  fx_finish || fail "altf4: runner checks"
else
  fail "altf4: effect did not start"
fi

fx_done
