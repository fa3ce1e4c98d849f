#!/usr/bin/env bash
# Info opens the About window at its place, modal over the result window, with every control at
# its position and size, its texts, the link style and the pictures; the version label equals
# the result window's caption. Leaves a screenshot of the window in the artifact folder.
. "$(dirname "$0")/about_lib.sh"

open_about Q: || finish

info=$(driver info frmAbout)
echo "$info"
window=$(grep '^window ' <<<"$info")
child() { grep "^child id=$1 " <<<"$info"; }
field() { sed -n "s/\(^\|.* \)$1=\([^ ]*\).*/\2/p"; }
quoted() { sed -n "s/.* $1=\"\(.*\)\" rect=.*/\1/p"; }

expect "client area on the screen" "$(field client <<<"$window")" "156,110,409,212"
expect "no caption" "$(sed -n 's/.* caption="\([^"]*\)".*/\1/p' <<<"$window")" ""
style=$(field style <<<"$window")
exstyle=$(field exstyle <<<"$window")
expect "dialog frame, no title bar, close box, system menu or sizing border" \
  "$(( style & 0x00C00000 )),$(( style & 0x00080000 )),$(( style & 0x00040000 )),$(( style & 0x00030000 ))" \
  "$(( 0x00400000 )),0,0,0"
expect "no taskbar button (owned, no app-window style)" \
  "$(field owner <<<"$window"),$(( exstyle & 0x00040000 ))" "TavelinApplication,0"
expect "the result window waits, disabled" "$(driver info frmFine | grep '^window ' | field enabled)" "0"

fine_caption=$(driver info frmFine | grep '^window ' | sed -n 's/.* caption="\([^"]*\)".*/\1/p')
expect "result window caption" "$fine_caption" "Tavelin v.3.0.0"
expect "lblVersione copies it" "$(child 2 | quoted text)" "$fine_caption"

# id, class, text, left, top, width, height in pixels (width/height "-" where the control is
# sized to its text and checked against the font below).
while IFS='|' read -r id cls text left top width height; do
  line=$(child "$id")
  [ -n "$line" ] || { fail "control $id is missing"; continue; }
  expect "control $id class" "$(field class <<<"$line")" "$cls"
  expect "control $id text" "$(quoted text <<<"$line")" "$text"
  IFS=, read -r l t w h <<<"$(field rect <<<"$line")"
  expect "control $id position" "$l,$t" "$left,$top"
  [ "$width" == "-" ] || expect "control $id size" "$w,$h" "$width,$height"
done <<'TABLE'
1|Static||4|8|34|34
2|Static|Tavelin v.3.0.0|64|8|333|13
3|Static|English version|64|24|-|-
4|Static|This program is freeware. Check for updates on:|64|40|273|17
5|Static||4|52|45|45
6|TavelinAnimation||8|56|36|38
7|Static|https://tavelin.example.org/index.html|64|60|-|-
8|Static||4|124|50|62
9|Static|Copyright (C) 2026 The Tavelin authors.\r\nFree software under the GNU GPL, version 3 or later. No warranty.|64|124|341|29
10|Static||12|152|13|13
11|Static|General public license|4|192|-|-
12|Static|Readme.txt|128|192|-|-
13|Static|Orrimel|352|192|-|-
TABLE

# The link labels: exactly the size of their text in Tahoma 8.25 pt underlined, pure blue.
# (Where Tahoma is not installed, the system's substitute for it is what both sides get.)
echo "info: a request for Tahoma gets $(driver measure Tahoma 825 1 x | sed 's/.*face=//')"
for id in 7 11 12 13; do
  line=$(child "$id")
  text=$(quoted text <<<"$line")
  read -r mw mh _ < <(driver measure Tahoma 825 1 "$text")
  IFS=, read -r _ _ w h <<<"$(field rect <<<"$line")"
  expect "link $id sized to its text in Tahoma 8.25" "$w,$h" "$mw,$mh"
  blue=$(driver colours frmAbout "$id" | field blue)
  # The underline alone is one blue pixel per column of the text.
  [ "${blue:-0}" -ge "$mw" ] && echo "ok: link $id is drawn in pure blue ($blue px)" \
    || fail "link $id: $blue pure blue pixels, expected at least $mw"
  (( $(field style <<<"$line") & 0x100 )) && echo "ok: link $id notifies clicks" || fail "link $id lacks SS_NOTIFY"
done
for id in 2 3 4 9; do
  expect "label $id keeps the default colours" "$(driver colours frmAbout "$id" | field blue)" "0"
done

# Pictures: the bordered photograph and icon are really shown; the spot over the photograph
# is invisible and above it, so it takes the clicks; the clip lies above its square.
photo=$(driver colours frmAbout 8 | field distinct)
[ "${photo:-0}" -gt 200 ] && echo "ok: photograph shown ($photo colours)" || fail "photograph: $photo colours"
icon=$(driver colours frmAbout 1 | field distinct)
[ "${icon:-0}" -gt 10 ] && echo "ok: icon shown ($icon colours)" || fail "icon: $icon colours"
for id in 1 5 8; do
  (( $(field style <<<"$(child "$id")") & 0x00800000 )) && echo "ok: control $id has a border" \
    || fail "control $id has no border"
done
order=$(grep -o '^child id=[0-9]*' <<<"$info" | cut -d= -f2 | tr '\n' ' ')
pos() { local i=0 x; for x in $order; do [ "$x" == "$1" ] && { echo $i; return; }; i=$((i + 1)); done; }
[ "$(pos 10)" -lt "$(pos 8)" ] && echo "ok: the sound spot lies above the photograph" || fail "spot under the photograph ($order)"
[ "$(pos 6)" -lt "$(pos 5)" ] && echo "ok: the clip lies above its square" || fail "clip under its square ($order)"

# The pointer: one and the same over the four links, another over the rest of the window (the
# hand's own image and hot spot are checked in the generated file).
pointer_at() {
  local x y w h
  read -r x y w h < <(driver rect frmAbout "$1")
  xdotool mousemove $((x + ${2:-w / 2})) $((y + ${3:-h / 2}))
  sleep 0.3
  driver cursor
}
plain=$(pointer_at 0 300 100)
hand=$(pointer_at 11)
[ -n "$hand" ] && [ "$hand" != "$plain" ] && echo "ok: a pointer of its own over the links" \
  || fail "the pointer over a link ($hand) is the window's ($plain)"
for id in 7 12 13; do expect "the same pointer over link $id" "$(pointer_at "$id")" "$hand"; done
for id in 2 9 10; do expect "the plain pointer over control $id" "$(pointer_at "$id")" "$plain"; done
xdotool mousemove 700 600

import -window root -crop 420x226+150+104 "$ARTIFACTS/about_window.png" 2>/dev/null \
  && echo "screenshot: $ARTIFACTS/about_window.png"

xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
