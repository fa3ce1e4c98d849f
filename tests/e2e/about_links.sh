#!/usr/bin/env bash
# The links hand their documents to the shell: Escape's release (with any modifier, once per
# release) and "General public license" open gpl.txt, "Readme.txt" the read-me, the address
# label the maker's folder address; always from the working directory C:\. Without gpl.txt,
# Escape and the licence link show "File not found" in a plain "Tavelin" box, and the About
# window stays as it was.
. "$(dirname "$0")/about_lib.sh"

use_recorder
open_about Q: || finish
appdir=$(winepath -w "$APP")
before=$(driver info frmAbout)

# request <n>: the n-th line the recorder logged (1-based).
request() { tr -d '\r' <"$SHELL_LOG" | sed -n "${1}p"; }
# expect_request <n> <description> <document>
expect_request() {
  if wait_requests "$1"; then
    expect "$2: document" "$(request "$1" | sed 's/.*\tcmd=.*recorder.exe" //')" "\"$3\""
    expect "$2: working directory" "$(request "$1" | sed 's/^cwd=\([^\t]*\).*/\1/')" 'C:\'
  else
    fail "$2: the shell was not asked to open anything"
  fi
}

xdotool key Escape
expect_request 1 "Escape" "$appdir\\gpl.txt"
n=1
for keys in shift+Escape ctrl+Escape alt+Escape; do
  n=$((n + 1))
  xdotool key "$keys"
  expect_request "$n" "$keys" "$appdir\\gpl.txt"
done

# Held down with auto-repeat, the key opens the licence once, on its release.
xdotool keydown Escape
sleep 0.8
expect "nothing while Escape is held" "$(shell_requests)" "$n"
xdotool keyup Escape
n=$((n + 1))
expect_request "$n" "Escape held then released" "$appdir\\gpl.txt"

n=$((n + 1)); click_control frmAbout 11
expect_request "$n" "General public license" "$appdir\\gpl.txt"
n=$((n + 1)); click_control frmAbout 12
expect_request "$n" "Readme.txt" "$appdir\\readme.txt"
n=$((n + 1)); click_control frmAbout 7
expect_request "$n" "the maker's address" "https://tavelin.example.org/"

# A key other than Escape does nothing.
xdotool key Return space a F1
sleep 0.5
expect "other keys ask nothing" "$(shell_requests)" "$n"
driver nomsgbox Tavelin 300 || fail "a message box appeared while the shell accepted every request"
expect "About window unchanged after the requests" "$(driver info frmAbout)" "$before"

# Without the licence file.
rm "$APP/gpl.txt"
for how in Escape label; do
  if [ "$how" == Escape ]; then xdotool key Escape; else click_control frmAbout 11; fi
  box=$(driver msgbox Tavelin 10000) || { fail "$how without gpl.txt: no message box"; continue; }
  expect "$how without gpl.txt: the box" "$box" 'text="File not found" buttons="OK" icons=0 owner=frmAbout'
  expect "$how without gpl.txt: the About window waits for the box" \
    "$(driver info frmAbout | grep '^window ' | sed 's/.* enabled=//')" "0"
  # Dismissed with the mouse: a released Escape would reach the About window and ask again.
  click_control "#32770" 1 || driver dismiss Tavelin
  driver gone "#32770" 5000 || driver dismiss Tavelin
  expect "$how without gpl.txt: About window unchanged" "$(driver info frmAbout)" "$before"
done
# Escape that dismisses the box does not ask again when it is released over the About window.
xdotool key Escape
driver msgbox Tavelin 10000 >/dev/null || fail "Escape without gpl.txt: no message box"
xdotool key Escape
driver gone "#32770" 5000 || fail "Escape did not dismiss the box"
if driver msgbox Tavelin 700 >/dev/null 2>&1; then
  fail "the Escape that dismissed the box opened it again"
  driver dismiss Tavelin
else
  echo "ok: the Escape that dismissed the box does not open it again"
fi
expect "the failed requests started nothing" "$(shell_requests)" "$n"

xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
