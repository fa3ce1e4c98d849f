#!/usr/bin/env bash
# The About window opens at its fixed place when that place keeps it wholly on its screen, and
# otherwise moves only as far as needed into the work area of its monitor (top-left corner
# first when it is larger). Scenario (sixth argument): dpi-192 on the session's 1024x768
# screen, or small-screen on a 320x200 screen of its own with a fresh prefix.
. "$(dirname "$0")/about_lib.sh"

scenario=${6:-}
set_dpi() {
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  timeout 60 wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}
# placement_field <name>: one rectangle (l t r b) of the driver's placement line.
placement() { driver placement frmAbout; }
rect_of() { sed -n "s/.*$1=\([-0-9,]*\).*/\1/p" <<<"$2" | tr ',' ' '; }

case "$scenario" in
  dpi-192)
    set_dpi 192
    trap 'set_dpi 96; about_cleanup' EXIT
    open_about Q: || finish
    line=$(placement)
    echo "info: $line"
    read -r wl wt wr wb < <(rect_of window "$line")
    read -r al at ar ab < <(rect_of work "$line")
    read -r cx cy _ _ < <(driver rect frmAbout 0)
    # At 192 DPI the fixed place (312, 220) would put the right edge past the screen's.
    expect "the right edge meets the work area's" "$wr" "$ar"
    expect "the top stays where the fixed place puts it (the window fits vertically)" "$cy" 220
    [ "$wl" -ge "$al" ] && [ "$wb" -le "$ab" ] && echo "ok: wholly inside the work area" \
      || fail "outside the work area: $line"
    read -r ox _ ow _ < <(driver rect frmAbout 13)
    [ $((ox + ow)) -le "$ar" ] && echo "ok: \"Orrimel\" is wholly on the screen" \
      || fail "\"Orrimel\" is cut at $((ox + ow)) (screen ends at $ar)"
    ;;
  small-screen)
    . "$SOURCE/tools/wine-lib.sh"
    tav_xvfb_stop_small() { kill "$small_xvfb" 2>/dev/null; wait "$small_xvfb" 2>/dev/null; }
    TAVELIN_SCREEN=320x200x24 tav_xvfb_start || { fail "no small screen"; finish; }
    small_xvfb=$TAV_XVFB_PID
    export WINEPREFIX=$WORK/prefix
    tav_prefix_init "$WINEPREFIX"
    trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null; tav_xvfb_stop_small; about_cleanup' EXIT
    TAVELIN_EXE=$(winepath -w "$APP/tavelin.exe")
    open_about Q: || finish
    line=$(placement)
    echo "info: $line"
    read -r wl wt _ _ < <(rect_of window "$line")
    read -r al at _ _ < <(rect_of work "$line")
    expect "a window larger than the screen has its top-left corner at the work area's" "$wl,$wt" "$al,$at"
    ;;
  *)
    fail "unknown scenario '$scenario'"
    finish
    ;;
esac
xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
