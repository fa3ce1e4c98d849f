#!/usr/bin/env bash
# No DLL from the program's folder is ever loaded: a marker DLL sits there under the name of
# every DLL in the prefix's system32, and a whole run (flush, About window, sound spot, links,
# Escape, screen effect) leaves no mark. Once with Wine's default load order, once with the
# DLLs the program loads itself set to native-first (as Windows searches), and the DLLs they
# pull in.
. "$(dirname "$0")/about_lib.sh"

marker=${6:?the marker DLL}
use_recorder
use_sound_capture
map_image_drive t

planted=0
for dll in "$WINEPREFIX"/drive_c/windows/system32/*.dll; do
  name=$(basename "$dll" | tr 'A-Z' 'a-z')
  [ -e "$APP/$name" ] && continue
  cp "$marker" "$APP/$name"
  planted=$((planted + 1))
done
echo "info: $planted marker DLLs beside the program"
[ "$planted" -gt 300 ] || fail "too few DLL names to plant ($planted)"

walk() {  # walk <what>
  open_about T: || return
  click_control frmAbout 10                       # the sound spot
  sleep 0.2
  driver ping frmAbout 10000 >/dev/null || fail "$1: the window did not answer after the sound"
  local n step
  n=$(shell_requests)
  for step in "click 11 licence" "click 12 read-me" "click 7 home page" "key Escape licence"; do
    read -r how what name <<<"$step"
    if [ "$how" = click ]; then sleep 0.6; click_control frmAbout "$what"; else xdotool key "$what"; fi
    n=$((n + 1))
    wait_requests "$n" || fail "$1: $name: the shell was not asked"
  done
  click_control frmAbout 13                       # the screen effect
  driver wait TavelinGraphics 10000 >/dev/null || fail "$1: the screen effect did not start"
  sleep 0.5
  xdotool mousemove 200 200 sleep 0.1 click 1
  wait_program_exit 30 || fail "$1: the program did not end"
  expect "$1: exit code" "${EXIT_CODE:-}" 0
  local marks
  marks=$(cd "$APP" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')
  expect "$1: no planted DLL was loaded" "$marks" ""
  rm -f "$APP"/*.loaded
}

walk "default load order"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;shell32,shlwapi,shcore,ole32,combase,winmm,comctl32=n,b" walk "native first"
finish
