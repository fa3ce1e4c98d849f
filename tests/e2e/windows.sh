#!/usr/bin/env bash
# The wait and result windows of the real tavelin.exe under Wine + Xvfb, driven with real X11
# input. Usage: windows.sh SCENARIO  (see the case at the bottom).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

command -v xdotool >/dev/null || { echo "FAIL: xdotool missing"; exit 1; }

# Screen coordinates of the centre of a control: control_centre CLASS ID
control_centre() {
  local info client rect
  info=$(driver info "$1")
  client=$(printf '%s\n' "$info" | field_of '^window' client)
  rect=$(printf '%s\n' "$info" | field_of "^child id=$2 " rect)
  IFS=, read -r cl ct _ _ <<<"$client"
  IFS=, read -r l t r b <<<"$rect"
  echo "$((cl + (l + r) / 2)) $((ct + (t + b) / 2))"
}

# Ends a run on DRIVE with one kind of input and checks the program's exit code.
close_with() {  # close_with WHAT INPUT-FUNCTION DRIVE EXIT
  local what=$1 drive=$3 code=$4
  tavelin_start -- "$drive"
  driver wait frmFine 60000 >/dev/null || { fail "$what: no result window"; return; }
  sleep 0.3
  "$2"
  driver gone frmFine 10000 >/dev/null || fail "$what: the result window stayed"
  tavelin_wait; check_eq "$TAV_RC" "$code" "$what: program ended with exit code $code"
  if driver gone frmAttendere 100 >/dev/null 2>&1; then echo "ok: $what: wait window gone too"; else fail "$what: wait window left"; fi
}

click_ok() { xdotool mousemove $(control_centre frmFine 2) click 1; }
alt_o() { xdotool key alt+o; }
escape() { xdotool key Escape; }
click_close_box() {
  local info rect client
  info=$(driver info frmFine)
  rect=$(printf '%s\n' "$info" | field_of '^window' rect)
  client=$(printf '%s\n' "$info" | field_of '^window' client)
  IFS=, read -r _ wt _ _ <<<"$rect"
  IFS=, read -r _ ct cr _ <<<"$client"
  # The close box sits at the right end of the title bar.
  xdotool mousemove $((cr - 10)) $(((wt + ct) / 2 + 1)) click 1
}

check_geometry() {  # check_geometry DPI
  local dpi=$1 info px
  px() { echo $(((($1) * dpi + 720) / 1440)); }
  tavelin_start $(echo "LD_PRELOAD=$TAVELIN_SHIM TAVELIN_SHIM_PATH=tavelin-drives/stick.img TAVELIN_SHIM_SLEEP_MS=1500") -- S:
  driver wait frmAttendere 30000 >/dev/null || { fail "no wait window"; return; }
  check_eq "$(driver dpi)" "$dpi" "system DPI"
  info=$(driver info frmAttendere)
  local client rect
  client=$(printf '%s\n' "$info" | field_of '^window' client)
  IFS=, read -r l t r b <<<"$client"
  check_eq "$((r - l))x$((b - t))" "$(px 3735)x$(px 840)" "wait window client size at $dpi DPI"
  rect=$(printf '%s\n' "$info" | field_of '^child id=1 ' rect)
  check_eq "$rect" "0,0,$(px 3776),$(px 864)" "clip control at $dpi DPI"
  check_eq "$(printf '%s\n' "$info" | field_of '^window' caption)" '""' "wait window has no caption"

  driver wait frmFine 60000 >/dev/null || { fail "no result window"; return; }
  info=$(driver info frmFine)
  client=$(printf '%s\n' "$info" | field_of '^window' client)
  IFS=, read -r l t r b <<<"$client"
  check_eq "$((r - l))x$((b - t))" "$(px 4680)x$(px 1860)" "result window client size at $dpi DPI"
  check_eq "$(printf '%s\n' "$info" | field_of "^child id=100 " rect)" \
    "$(px 60),$(px 120),$(($(px 60) + $(px 4515))),$(($(px 120) + $(px 1275)))" "Text1 at $dpi DPI"
  check_eq "$(printf '%s\n' "$info" | field_of "^child id=2 " rect)" \
    "$(px 2520),$(px 1440),$(($(px 2520) + $(px 975))),$(($(px 1440) + $(px 375)))" "cmdOk at $dpi DPI"
  check_eq "$(printf '%s\n' "$info" | field_of "^child id=101 " rect)" \
    "$(px 3600),$(px 1440),$(($(px 3600) + $(px 975))),$(($(px 1440) + $(px 375)))" "cmdInfo at $dpi DPI"
  check_eq "$(printf '%s\n' "$info" | sed -nE 's/^window .* caption="([^"]*)".*/\1/p')" "Tavelin v.3.0.0" "versioned caption"
  check_eq "$(printf '%s\n' "$info" | field_of '^window' owned)" 1 "result window owned (no taskbar button)"
  driver click frmFine 2 >/dev/null
  tavelin_wait; check_eq "$TAV_RC" 0 "exit code"
}

set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

case "${1:-}" in
  close-inputs)
    close_with "click on Ok" click_ok S: 0
    close_with "Alt+O" alt_o R: 2
    close_with "Escape (cmdOk is the cancel button)" escape Q: 1
    close_with "close box" click_close_box R: 2
    # Enter in the text box presses no button: the result stays until it is dismissed.
    tavelin_start -- S:
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    sleep 0.3
    xdotool key Return
    sleep 0.5
    if driver gone frmFine 200 >/dev/null 2>&1; then fail "Enter closed the result window"; else echo "ok: Enter leaves the result up"; fi
    xdotool key Escape
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code after Escape"
    ;;
  keyboard)
    # Tab and Shift+Tab go round the text, Info and Ok; Enter presses the focused button.
    tavelin_start -- S:
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    sleep 0.3
    check_eq "$(driver focus frmFine)" 100 "the text holds the focus when the window opens"
    for step in "Tab 101 Info" "Tab 2 Ok" "Tab 100 the text" "shift+Tab 2 Ok" "shift+Tab 101 Info" \
                "shift+Tab 100 the text"; do
      read -r key id what <<<"$step"
      xdotool key "$key"
      sleep 0.2
      check_eq "$(driver focus frmFine)" "$id" "$key reaches $what"
    done
    length=$(driver text | sed 's/\\[rn]/x/g' | tr -d '\n' | wc -m)
    check_eq "$(driver selection frmFine 100)" "0,$length" "the text reached by Shift+Tab is selected"
    xdotool key Tab
    sleep 0.2
    xdotool key Return
    if driver wait frmAbout 10000 >/dev/null; then echo "ok: Enter on Info opens the About window"; else fail "Enter on Info"; fi
    xdotool key alt+F4
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code after the About window"
    tavelin_start -- R:
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    sleep 0.3
    xdotool key shift+Tab
    sleep 0.2
    xdotool key Return
    driver gone frmFine 10000 >/dev/null || fail "Enter on Ok left the result window up"
    tavelin_wait; check_eq "$TAV_RC" 2 "Enter on Ok ends the run with its exit code"
    ;;
  no-ghosting)
    # Windows would swap a window that takes no messages for ~5 s (a long flush) for a frozen
    # copy, clip and all; the program turns that off before its first window. Wine does not
    # ghost, so its relay trace shows the call instead.
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d \
      'user32.DisableProcessWindowsGhosting;user32.CreateWindowExW' /f >/dev/null 2>&1
    trap 'wine reg delete "HKCU\Software\Wine\Debug" /v RelayInclude /f >/dev/null 2>&1; e2e_cleanup' EXIT
    WINEDEBUG=+relay timeout -k 5 120 wine "$TAVELIN_DIST/tavelin.exe" S: 2>"$E2E_TMP/relay.log" >/dev/null &
    TAV_PID=$!
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    driver click frmFine 2 >/dev/null
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code"
    calls=$(grep -oE 'Call user32\.(DisableProcessWindowsGhosting|CreateWindowExW\([0-9a-f]+,[0-9a-f]+ L"frmAttendere")' \
            "$E2E_TMP/relay.log" | sed 's/(.*//' | tr '\n' ' ')
    check_eq "$calls" "Call user32.DisableProcessWindowsGhosting Call user32.CreateWindowExW " \
      "ghosting is turned off once, before the wait window is made"
    ;;
  geometry-96)
    check_geometry 96
    ;;
  geometry-144)
    set_dpi 144
    trap 'set_dpi 96; e2e_cleanup' EXIT
    check_geometry 144
    ;;
  clip-moves)
    # The UI thread is blocked in a 4 s flush; the clip must keep moving all the same.
    tavelin_start "LD_PRELOAD=$TAVELIN_SHIM" TAVELIN_SHIM_PATH=tavelin-drives/stick.img TAVELIN_SHIM_SLEEP_MS=4000 -- S:
    driver wait frmAttendere 30000 >/dev/null || fail "no wait window"
    client=$(driver info frmAttendere | field_of '^window' client)
    IFS=, read -r l t r b <<<"$client"
    sleep 1
    import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$E2E_TMP/a.png"
    sleep 0.7
    import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$E2E_TMP/b.png"
    if driver gone frmFine 100 >/dev/null 2>&1; then :; else fail "the flush ended before both pictures were taken"; fi
    diff=$(compare -metric AE "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1 || true)
    colours=$(convert "$E2E_TMP/a.png" -format '%k' info:)
    if [ "${diff%%.*}" -gt 0 ] 2>/dev/null; then echo "ok: clip moved while blocked ($diff pixels changed)"; else fail "clip frozen during the flush (difference: $diff)"; fi
    if [ "$colours" -gt 2 ]; then echo "ok: the wait window shows the clip ($colours colours)"; else fail "the wait window looks empty ($colours colours)"; fi
    [ -n "${TAVELIN_SCREENSHOTS:-}" ] && cp "$E2E_TMP/a.png" "$TAVELIN_SCREENSHOTS/wait.png"
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    driver click frmFine 2 >/dev/null
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code"
    ;;
  *)
    echo "usage: $0 close-inputs|keyboard|no-ghosting|geometry-96|geometry-144|clip-moves" >&2
    exit 2
    ;;
esac
e2e_done
