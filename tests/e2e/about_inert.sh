#!/usr/bin/env bash
# Nothing but the links and the sound spot reacts: clicks on the other labels, the pictures,
# the clip, its square and the bare window change nothing, ask the shell for nothing and show
# no box; the window keeps answering.
. "$(dirname "$0")/about_lib.sh"

use_recorder
open_about Q: || finish
before=$(driver info frmAbout)
fine_before=$(driver info frmFine)

# control id and, optionally, the point inside it (away from anything lying on it).
while read -r id dx dy; do
  if [ -n "$dx" ]; then click_control frmAbout "$id" "$dx" "$dy"; else click_control frmAbout "$id"; fi
  sleep 0.6  # each click on its own, never a double click
done <<'CLICKS'
9
3
4
2
1
6
5 2 2
8 3 3
8 40 50
0 300 100
0 200 200
CLICKS
xdotool click 3  # a right click too

sleep 0.5
expect "no shell request" "$(shell_requests)" "0"
driver nomsgbox Tavelin 300 || fail "a message box appeared"
expect "About window unchanged" "$(driver info frmAbout)" "$before"
expect "result window unchanged" "$(driver info frmFine)" "$fine_before"
expect "no screen effect" "$(driver count TavelinGraphics)" "0"
driver ping frmAbout 2000 >/dev/null || fail "the About window stopped answering"

xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
