#!/usr/bin/env bash
# "Orrimel" starts the screen effect over the still open About window; a click ends the effect,
# and then the About and result windows close and the program ends with its flush's exit code
# (0 here: the drive is an image file that flushes).
. "$(dirname "$0")/about_lib.sh"

map_image_drive t
open_about T: || finish

click_control frmAbout 13
driver wait TavelinGraphics 10000 >/dev/null || fail "the screen effect did not start"
sleep 1
expect "the About window stays loaded under the effect" "$(driver count frmAbout)" "1"
expect "so does the result window" "$(driver count frmFine)" "1"
read -r _ _ sw sh < <(driver rect TavelinGraphics 0)
xdotool mousemove $((sw / 2)) $((sh / 2)) sleep 0.1 click 1

if wait_program_exit 30; then
  expect "exit code after the effect" "$EXIT_CODE" "0"
else
  fail "the program did not end after the effect"
  driver info frmAbout
fi
expect "no window of the program is left" \
  "$(driver count frmAbout)$(driver count frmFine)$(driver count TavelinGraphics)" "000"
finish
