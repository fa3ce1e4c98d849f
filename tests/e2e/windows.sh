#!/usr/bin/env bash
# The wait and result windows of the real tavelin.exe under Wine + Xvfb, driven with real X11
# input. Usage: windows.sh SCENARIO
. "$(dirname "$0")/lib.sh"

# Ends a run on DRIVE with one kind of input and checks the program's exit code.
close_with() {  # close_with WHAT INPUT-FUNCTION DRIVE EXIT
  local what=$1 drive=$3 code=$4
  tavelin_start "$drive"
  driver ready result 60000 || { fail "$what: no result window ready for input"; return; }
  "$2"
  driver gone result 10000 || fail "$what: the result window stayed"
  tavelin_wait; expect "$what: program ended with exit code $code" "$TAV_RC" "$code"
  if driver gone wait 100 2>/dev/null; then ok "$what: wait window gone too"; else fail "$what: wait window left"; fi
}

click_ok() { xdotool mousemove $(control_centre result ok) click 1; }
alt_o() { xdotool key alt+o; }
escape() { xdotool key Escape; }
click_close_box() {
  local wt ct cr
  ask window result || return
  IFS=, read -r _ wt _ _ <<<"${ANSWER[rect]}"
  IFS=, read -r _ ct cr _ <<<"${ANSWER[client]}"
  # The close box sits at the right end of the title bar.
  xdotool mousemove $((cr - 10)) $(((wt + ct) / 2 + 1)) click 1
}

scenario_close_inputs() {
  close_with "click on Ok" click_ok S: 0
  close_with "Alt+O" alt_o R: 2
  close_with "Escape (Ok is the cancel button)" escape Q: 1
  close_with "close box" click_close_box R: 2
  # Enter in the text box presses no button: the result stays until it is dismissed.
  tavelin_start S:
  driver ready result 60000 || fail "no result window ready for input"
  xdotool key Return
  # Taken (the window repaints only once no input is left), and the window still there after it.
  if driver settle result && driver settle result; then ok "Enter leaves the result up"; else fail "Enter closed the result window"; fi
  xdotool key Escape
  tavelin_wait; expect "exit code after Escape" "$TAV_RC" 0
}

scenario_keyboard() {
  local step key id text length
  # Tab and Shift+Tab go round the text, Info and Ok; Enter presses the focused button.
  tavelin_start S:
  driver ready result 60000 || fail "no result window ready for input"
  expect "the text holds the focus when the window opens" "$(answer focus result)" text
  for step in "Tab info" "Tab ok" "Tab text" "shift+Tab ok" "shift+Tab info" "shift+Tab text"; do
    read -r key id <<<"$step"
    xdotool key "$key"
    ask wait-focus result "$id"
    expect "$key reaches $id" "${ANSWER[focus]:-}" "$id"
  done
  # The edit control counts a line break as its two characters.
  text=$(answer text)
  text=${text//\\r/x}
  text=${text//\\n/x}
  length=${#text}
  expect "the text reached by Shift+Tab is selected" "$(answer selection result text)" "0,$length"
  xdotool key Tab
  driver wait-focus result info >/dev/null || fail "Tab did not reach Info"
  xdotool key Return
  if driver wait about 10000; then ok "Enter on Info opens the About window"; else fail "Enter on Info"; fi
  xdotool key alt+F4
  tavelin_wait; expect "exit code after the About window" "$TAV_RC" 0
  tavelin_start R:
  driver ready result 60000 || fail "no result window ready for input"
  xdotool key shift+Tab
  driver wait-focus result ok >/dev/null || fail "Shift+Tab did not reach Ok"
  xdotool key Return
  driver gone result 10000 || fail "Enter on Ok left the result window up"
  tavelin_wait; expect "Enter on Ok ends the run with its exit code" "$TAV_RC" 2
}

scenario_no_ghosting() {
  local calls
  # Windows would swap a window that takes no messages for ~5 s (a long flush) for a frozen
  # copy, clip and all; the program turns that off before its first window. Wine does not
  # ghost, so its relay trace shows the call instead.
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d \
    'user32.DisableProcessWindowsGhosting;user32.CreateWindowExW' /f >/dev/null 2>&1 </dev/null ||
    fail "no relay trace set up"
  on_exit "wine reg delete 'HKCU\\Software\\Wine\\Debug' /v RelayInclude /f >/dev/null 2>&1 </dev/null"
  TAV_STDERR=$E2E_TMP/relay.log tavelin_start WINEDEBUG=+relay -- S:
  driver wait result 60000 || fail "no result window"
  driver click result ok
  tavelin_wait; expect "exit code" "$TAV_RC" 0
  calls=$(grep -oE 'Call user32\.(DisableProcessWindowsGhosting|CreateWindowExW\([0-9a-f]+,[0-9a-f]+ L"TavelinWait")' \
          "$E2E_TMP/relay.log" | sed 's/(.*//' | tr '\n' ' ')
  expect "ghosting is turned off once, before the wait window is made" "$calls" \
    "Call user32.DisableProcessWindowsGhosting Call user32.CreateWindowExW "
}

scenario_clip_moves() {
  local l t r b diff colours
  # The UI thread is blocked in a 4 s flush; the clip must keep moving all the same.
  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=4000) -- S:
  driver wait wait 30000 || fail "no wait window"
  ask window wait && IFS=, read -r l t r b <<<"${ANSWER[client]}"
  # grab NAME: the wait window's client area as the screen shows it.
  grab() { import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$E2E_TMP/$1.png"; }
  # The clip on the screen, then a picture that differs from it: read as soon as they show.
  shows_clip() { grab a && colours=$(convert "$E2E_TMP/a.png" -format '%k' info:) && [ "${colours:-0}" -gt 2 ]; }
  tav_until 3 shows_clip
  moved() { grab b && diff=$(compare -metric AE "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1 || true) && [ "${diff%%.*}" -gt 0 ] 2>/dev/null; }
  tav_until 2 moved
  driver gone result 100 2>/dev/null || fail "the flush ended before both pictures were taken"
  if [ "${diff%%.*}" -gt 0 ] 2>/dev/null; then ok "clip moved while blocked ($diff pixels changed)"; else fail "clip frozen during the flush (difference: $diff)"; fi
  if [ "${colours:-0}" -gt 2 ]; then ok "the wait window shows the clip ($colours colours)"; else fail "the wait window looks empty ($colours colours)"; fi
  [ -n "${TAVELIN_SCREENSHOTS:-}" ] && cp "$E2E_TMP/a.png" "$TAVELIN_SCREENSHOTS/wait.png"
  driver wait result 60000 || fail "no result window"
  driver click result ok
  tavelin_wait; expect "exit code" "$TAV_RC" 0
}

# A quit posted to the program's thread from outside, as any component in the process may post
# one, ends the run wherever it arrives, with the flush's own exit code (not the quit's) and no
# window left: during the flush, on the result window, the About window, its message box and the
# screen effect.
quit_on() {  # quit_on WHAT WINDOW EXIT
  local what=$1 window=$2 code=$3
  driver quit "$window" 5 || { fail "$what: no quit posted"; return; }
  if tavelin_wait 20; then
    expect "a quit $what ends the run with the flush's exit code" "$TAV_RC" "$code"
  else
    fail "a quit $what left the program running"
    tavelin_kill
  fi
  expect "a quit $what leaves no window" \
    "$(answer count wait)$(answer count result)$(answer count about)$(answer count box)$(answer count effect)" "00000"
}

scenario_quit() {
  use_app_copy
  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=2000) -- S:
  driver wait wait 30000 || fail "no wait window"
  quit_on "during the flush" wait 0

  tavelin_start R:
  driver wait result 60000 || fail "no result window"
  quit_on "on the result window" result 2

  open_about R: && quit_on "on the About window" about 2

  rm "$APP/$SIBLING_LICENCE"
  if open_about R:; then
    xdotool key Escape
    driver msgbox Tavelin 10000 >/dev/null || fail "no message box for the missing licence"
    quit_on "on the message box" box 2
  fi

  if open_about R:; then
    click_control about effect
    driver wait effect 10000 || fail "the screen effect did not start"
    quit_on "during the screen effect" effect 2
  fi
}

# A close request to the application is a request to end the run: after the flush the program
# ends with the flush's own exit code and leaves no window. `taskkill` without /F posts WM_CLOSE
# to every window of the process, the hidden application window included; WM_CLOSE and the
# system menu's Close to that window alone do the same.
no_window_left() {  # no_window_left WHAT
  expect "$1: no window left" \
    "$(answer count wait)$(answer count result)$(answer count about)$(answer count box)" "0000"
}
scenario_close_requests() {
  local pid how seen i slow_failing_flush
  # The first flush stalls, the third fails: exit code 4.
  slow_failing_flush=$(shim_env TAVELIN_SHIM_SLEEP_MS=1500 TAVELIN_SHIM_FAIL_AT=3 TAVELIN_SHIM_ERRNO=5)
  tavelin_start $slow_failing_flush -- S:
  driver wait wait 30000 || fail "no wait window"
  pid=$(answer pid wait)
  timeout 30 wine taskkill /pid "$pid" </dev/null >/dev/null 2>&1 || fail "taskkill /pid $pid"
  if tavelin_wait 30; then
    expect "taskkill during the flush: the flush's exit code" "$TAV_RC" 4
  else
    fail "taskkill during the flush left the program running"; tavelin_kill
  fi
  no_window_left "taskkill during the flush"

  for how in close sysclose; do
    tavelin_start $slow_failing_flush -- S:
    driver wait wait 30000 || fail "no wait window"
    driver "$how" TavelinApplication || fail "$how: the application window was not found"
    if tavelin_wait 30; then
      expect "$how to the application window during the flush: the flush's exit code" "$TAV_RC" 4
    else
      fail "$how to the application window left the program running"; tavelin_kill
    fi
    no_window_left "$how to the application window"
  done

  # Closed the moment it exists, hidden before its show or just shown, the result window ends
  # the run with the flush's exit code, and it is never shown without its text.
  for i in 1 2 3; do
    tavelin_start Q:
    seen=$(answer close-on-sight result 30000) || { fail "no result window ($(tavelin_state))"; tavelin_kill; continue; }
    echo "the result window was $seen when asked to close"
    if tavelin_wait 30; then
      expect "result window closed when $seen: the flush's exit code" "$TAV_RC" 1
    else
      text=$(answer text 2>/dev/null) && [ -z "$text" ] && fail "the result window was shown without its text"
      fail "a close to the result window when $seen left the program running"; tavelin_kill
    fi
  done
}

# The user goes on in another program during a long flush: the result still reaches them, in
# front or through a taskbar button of the program's (Windows decides which; Wine lets the
# program take the foreground).
scenario_foreground() {
  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=3000) -- S:
  driver wait wait 30000 || fail "no wait window"
  ask hold-foreground 60000 || fail "the result did not reach the user"
  expect "another program had the foreground before the result" "${ANSWER[foreground]}" 1
  case ${ANSWER[result]:-} in
    front|button) ok "the result reached the user: ${ANSWER[result]}" ;;
    *) fail "the result did not reach the user" ;;
  esac
  expect "result text" "$(answer text)" "$(expected_text 0 8)"
  driver click result ok
  tavelin_wait; expect "exit code" "$TAV_RC" 0
}

# The flush asks Windows to hold a logoff or shutdown, with its reason, for exactly its own span;
# at an end of session while the result shows, the run ends with the flush's exit code.
scenario_session_end() {
  local calls created destroyed line
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d \
    'user32.ShutdownBlockReasonCreate;user32.ShutdownBlockReasonDestroy;kernel32.CreateFileW;kernel32.FlushFileBuffers' \
    /f >/dev/null 2>&1 </dev/null || fail "no relay trace set up"
  on_exit "wine reg delete 'HKCU\\Software\\Wine\\Debug' /v RelayInclude /f >/dev/null 2>&1 </dev/null"
  TAV_STDERR=$E2E_TMP/relay.log tavelin_start WINEDEBUG=+relay $(shim_env TAVELIN_SHIM_FAIL_AT=3) -- S:
  driver wait result 60000 || fail "no result window"
  ask end-session || fail "no end-session messages delivered"
  expect "the program lets the session end" "${ANSWER[query]}" 1
  if tavelin_wait 30; then
    expect "an end of session ends the run with the flush's exit code" "$TAV_RC" 4
  else
    fail "the program outlived the end of the session"; tavelin_kill
  fi
  # The calls in order: the device's open, the flushes and the reason's span around them.
  calls="" created="" destroyed=""
  while read -r line; do
    if [[ $line =~ ShutdownBlockReasonCreate\(([0-9a-f]+),[0-9a-f]+\ L\"([^\"]*)\" ]]; then
      created=${BASH_REMATCH[1]}; calls+="reason(${BASH_REMATCH[2]}) "
    elif [[ $line =~ ShutdownBlockReasonDestroy\(([0-9a-f]+)\) ]]; then
      destroyed=${BASH_REMATCH[1]}; calls+="end-of-reason "
    elif [[ $line == *'CreateFileW('*'L"\\\\.\\'* ]]; then
      calls+="open "
    elif [[ $line == *FlushFileBuffers* ]]; then
      calls+="flush "
    fi
  done < <(grep -E 'Call (user32\.ShutdownBlockReason|KERNEL32\.(CreateFileW|FlushFileBuffers))' "$E2E_TMP/relay.log")
  expect "the reason's span around the flush (the third fails)" "$calls" \
    "reason(Writing out what Windows caches for S:) open flush flush flush end-of-reason "
  expect "the reason ends on the window it was given to" "$destroyed" "$created"
}

# The clip control takes no pointer from a message: messages any program may post to it (here
# what once opened a clip, with a pointer to nowhere) change nothing, and the run goes on.
scenario_foreign_messages() {
  local msg
  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=400) -- S:
  driver wait wait 30000 || fail "no wait window"
  for msg in 0x8100 0x8101 0x8102 0x8103; do
    driver post wait clip "$msg" 0x12345678 0xdeadbeef || fail "message $msg not posted"
  done
  driver wait result 60000 || fail "no result window after the foreign messages"
  expect "result text after the foreign messages" "$(answer text)" "$(expected_text 0 8)"
  driver click result ok
  tavelin_wait; expect "exit code after the foreign messages" "$TAV_RC" 0
}

run_scenario "$@"
