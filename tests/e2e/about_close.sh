#!/usr/bin/env bash
# Alt+F4 closes the About window, and with it the result window: the program ends with its
# flush's exit code (1: the drive does not exist). The About window opens even without its clip
# korvane2.dll (the square stays empty).
. "$(dirname "$0")/about_lib.sh"

rm -f "$APP/korvane2.dll"
open_about Q: || finish
expect "the clip's control is there, empty" "$(driver info frmAbout | grep -c 'class=TavelinAnimation')" "1"
driver ping frmAbout 2000 >/dev/null || fail "the About window does not answer"

xdotool key alt+F4
if wait_program_exit 20; then
  expect "exit code after Alt+F4" "$EXIT_CODE" "1"
else
  fail "the program did not end after Alt+F4"
fi
finish
