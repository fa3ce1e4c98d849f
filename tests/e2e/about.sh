#!/usr/bin/env bash
# The About window of the real tavelin.exe under Wine + Xvfb, driven with real X11 input. Each
# scenario runs its own copy of the program ($APP), opens the About window from the result
# window's Info button, and ends the program itself. Usage: about.sh SCENARIO
. "$(dirname "$0")/lib.sh"

use_app_copy

# xywh: "l,t,r,b" on the standard input as "l,t,width,height".
xywh() { IFS=, read -r l t r b && echo "$l,$t,$((r - l)),$((b - t))"; }

# dismiss_box: a click on the message box's OK button, else the button pressed by the driver.
dismiss_box() {
  click_control box 1 || driver dismiss Tavelin
  driver gone box 5000 || driver dismiss Tavelin
}

# close_about [WHAT]: Alt+F4 closes the About window and ends the program.
close_about() {
  xdotool key alt+F4
  tavelin_wait 20 || fail "${1:+$1: }the program did not end after Alt+F4"
}

# Info opens the About window at its place, modal over the result window, with every control at
# its position and size, its texts, the link style and the pictures; the version label equals
# the result window's caption. Leaves a screenshot of the window in the artifact folder.
scenario_window() {
  local info window style exstyle fine_caption id cls text left top width height line l t w h
  local mw mh blue photo icon order plain hand
  open_about Q: || finish

  info=$(driver info about)
  echo "$info"
  window=$(window_line <<<"$info")
  expect "client area on the screen" "$(field client <<<"$window" | xywh)" "156,110,409,212"
  expect "no caption" "$(quoted caption <<<"$window")" ""
  style=$(field style <<<"$window")
  exstyle=$(field exstyle <<<"$window")
  expect "dialog frame, no title bar, close box, system menu or sizing border" \
    "$(( style & 0x00C00000 )),$(( style & 0x00080000 )),$(( style & 0x00040000 )),$(( style & 0x00030000 ))" \
    "$(( 0x00400000 )),0,0,0"
  expect "no taskbar button (owned, no app-window style)" \
    "$(field owner <<<"$window"),$(( exstyle & 0x00040000 ))" "TavelinApplication,0"
  expect "the result window waits, disabled" "$(driver info result | window_line | field enabled)" "0"

  fine_caption=$(driver info result | window_line | quoted caption)
  expect "result window caption" "$fine_caption" "Tavelin v.$TAVELIN_VERSION"
  expect "lblVersione copies it" "$(child_line 2 <<<"$info" | quoted text)" "$fine_caption"

  # id, class, text, left, top, width, height in pixels (width/height "-" where the control is
  # sized to its text and checked against the font below).
  while IFS='|' read -r id cls text left top width height; do
    line=$(child_line "$id" <<<"$info")
    [ -n "$line" ] || { fail "control $id is missing"; continue; }
    expect "control $id class" "$(field class <<<"$line")" "$cls"
    expect "control $id text" "$(quoted text <<<"$line")" "$text"
    IFS=, read -r l t w h <<<"$(field rect <<<"$line" | xywh)"
    expect "control $id position" "$l,$t" "$left,$top"
    [ "$width" == "-" ] || expect "control $id size" "$w,$h" "$width,$height"
  done <<TABLE
1|Static||4|8|34|34
2|Static|Tavelin v.$TAVELIN_VERSION|64|8|333|13
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
    line=$(child_line "$id" <<<"$info")
    text=$(quoted text <<<"$line")
    read -r mw mh _ < <(driver measure Tahoma 825 1 "$text")
    IFS=, read -r _ _ w h <<<"$(field rect <<<"$line" | xywh)"
    expect "link $id sized to its text in Tahoma 8.25" "$w,$h" "$mw,$mh"
    blue=$(driver colours about "$id" | field blue)
    # The underline alone is one blue pixel per column of the text.
    [ "${blue:-0}" -ge "$mw" ] && echo "ok: link $id is drawn in pure blue ($blue px)" \
      || fail "link $id: $blue pure blue pixels, expected at least $mw"
    (( $(field style <<<"$line") & 0x100 )) && echo "ok: link $id notifies clicks" || fail "link $id lacks SS_NOTIFY"
  done
  for id in 2 3 4 9; do
    expect "label $id keeps the default colours" "$(driver colours about "$id" | field blue)" "0"
  done

  # Pictures: the bordered photograph and icon are really shown; the spot over the photograph
  # is invisible and above it, so it takes the clicks; the clip lies above its square.
  photo=$(driver colours about 8 | field distinct)
  [ "${photo:-0}" -gt 200 ] && echo "ok: photograph shown ($photo colours)" || fail "photograph: $photo colours"
  icon=$(driver colours about 1 | field distinct)
  [ "${icon:-0}" -gt 10 ] && echo "ok: icon shown ($icon colours)" || fail "icon: $icon colours"
  for id in 1 5 8; do
    (( $(child_line "$id" <<<"$info" | field style) & 0x00800000 )) && echo "ok: control $id has a border" \
      || fail "control $id has no border"
  done
  order=$(grep -o '^child id=[0-9]*' <<<"$info" | cut -d= -f2 | tr '\n' ' ')
  pos() { local i=0 x; for x in $order; do [ "$x" == "$1" ] && { echo $i; return; }; i=$((i + 1)); done; }
  [ "$(pos 10)" -lt "$(pos 8)" ] && echo "ok: the sound spot lies above the photograph" || fail "spot under the photograph ($order)"
  [ "$(pos 6)" -lt "$(pos 5)" ] && echo "ok: the clip lies above its square" || fail "clip under its square ($order)"

  # The pointer: one and the same over the four links, another over the rest of the window (the
  # hand's own image and hot spot are checked in the generated file).
  # pointer_at ID [DX DY]: moves the pointer over the control (its centre, or DX, DY in it).
  pointer_at() {
    local x y w h
    read -r x y w h < <(driver rect about "$1")
    xdotool mousemove $((x + ${2:-w / 2})) $((y + ${3:-h / 2}))
    sleep 0.3
  }
  # other_than HANDLE: the pointer shown once it is another one (within 3 s).
  other_than() {
    local i shown
    for i in $(seq 30); do
      shown=$(driver cursor)
      [ "$shown" != "$1" ] && break
      sleep 0.1
    done
    echo "$shown"
  }
  pointer_at 0 300 100
  plain=$(driver cursor)
  pointer_at 11
  hand=$(other_than "$plain")
  [ -n "$hand" ] && [ "$hand" != "$plain" ] && echo "ok: a pointer of its own over the links" \
    || fail "the pointer over a link ($hand) is the window's ($plain)"
  for id in 7 12 13; do
    pointer_at "$id"
    expect "the same pointer over link $id" "$(settled "$hand" 3 driver cursor)" "$hand"
  done
  for id in 2 9 10; do
    pointer_at "$id"
    expect "the plain pointer over control $id" "$(settled "$plain" 3 driver cursor)" "$plain"
  done
  xdotool mousemove 700 600

  import -window root -crop 420x226+150+104 "$TAVELIN_ARTIFACTS/about_window.png" 2>/dev/null \
    && echo "screenshot: $TAVELIN_ARTIFACTS/about_window.png"
  close_about
}

# The links hand their documents to the desktop's shell, which opens them as the desktop's user
# (the started program's parent is explorer.exe): Escape's release (with any modifier, once per
# release) and "General public license" open gpl.txt, "Readme.txt" the read-me, the address
# label the maker's folder address; always from the working directory C:\. Without gpl.txt,
# Escape and the licence link show "File not found" in a plain "Tavelin" box, and the About
# window stays as it was; an Escape held to dismiss that box does not open it again; without
# the program's folder the files' links show "Path not found". Where the desktop's shell cannot
# be reached, the program's own shell opens the document.
scenario_links() {
  local appdir before n keys how box id
  use_recorder
  open_about Q: || finish
  appdir=$(windows_path "$APP")
  before=$(driver info about)

  # expect_request N WHAT DOCUMENT
  expect_request() {
    if wait_requests "$1"; then
      expect "$2: document" "$(requested_document "$1")" "\"$3\""
      expect "$2: working directory" "$(shell_request "$1" | sed 's/^.*\tcwd=\([^\t]*\).*/\1/')" 'C:\'
      expect "$2: opened by the desktop's shell" "$(requested_by "$1")" explorer.exe
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

  n=$((n + 1)); click_control about 11
  expect_request "$n" "General public license" "$appdir\\gpl.txt"
  n=$((n + 1)); click_control about 12
  expect_request "$n" "Readme.txt" "$appdir\\readme.txt"
  n=$((n + 1)); click_control about 7
  expect_request "$n" "the maker's address" "https://tavelin.example.org/"

  # A key other than Escape does nothing.
  xdotool key Return space a F1
  sleep 0.5
  expect "other keys ask nothing" "$(shell_requests)" "$n"
  driver nomsgbox Tavelin 300 || fail "a message box appeared while the shell accepted every request"
  expect "About window unchanged after the requests" "$(driver info about)" "$before"

  # Without the licence file.
  rm "$APP/gpl.txt"
  for how in Escape label; do
    if [ "$how" == Escape ]; then xdotool key Escape; else click_control about 11; fi
    box=$(driver msgbox Tavelin 10000) || { fail "$how without gpl.txt: no message box"; continue; }
    expect "$how without gpl.txt: the box" "$box" 'text="File not found" buttons="OK" icons=0 owner=frmAbout'
    expect "$how without gpl.txt: the About window waits for the box" \
      "$(driver info about | window_line | field enabled)" "0"
    # Dismissed with the mouse: a released Escape would reach the About window and ask again.
    dismiss_box
    expect "$how without gpl.txt: About window unchanged" "$(driver info about)" "$before"
  done
  # Escape that dismisses the box does not ask again when it is released over the About window.
  xdotool key Escape
  driver msgbox Tavelin 10000 >/dev/null || fail "Escape without gpl.txt: no message box"
  xdotool key Escape
  driver gone box 5000 || fail "Escape did not dismiss the box"
  if driver msgbox Tavelin 700 >/dev/null 2>&1; then
    fail "the Escape that dismissed the box opened it again"
    driver dismiss Tavelin
  else
    echo "ok: the Escape that dismissed the box does not open it again"
  fi
  # Escape held to dismiss the box: the keyboard's repeats reach the About window once the box has
  # gone, and must not open the box again on the release.
  xdotool key Escape
  driver msgbox Tavelin 10000 >/dev/null || fail "Escape without gpl.txt: no message box"
  xdotool keydown Escape sleep 1.2 keyup Escape
  driver gone box 5000 || fail "the held Escape did not dismiss the box"
  if driver msgbox Tavelin 700 >/dev/null 2>&1; then
    fail "the Escape held to dismiss the box opened it again"
    driver dismiss Tavelin
  else
    echo "ok: the Escape held to dismiss the box does not open it again"
  fi

  # The program's folder gone (the stick pulled): the files' folder is missing.
  mv "$APP" "$APP.gone"
  for id in 11 12; do
    click_control about "$id"
    box=$(driver msgbox Tavelin 10000) || { fail "link $id without its folder: no message box"; continue; }
    expect "link $id without its folder: the box" "$box" 'text="Path not found" buttons="OK" icons=0 owner=frmAbout'
    dismiss_box
  done
  mv "$APP.gone" "$APP"
  expect "the failed requests started nothing" "$(shell_requests)" "$n"
  close_about

  # Where the desktop's shell cannot be reached (here: the program's process cannot load the
  # shell's proxies, as when no Explorer runs), the program's own shell opens the document.
  open_about "WINEDLLOVERRIDES=$WINEDLLOVERRIDES;actxprxy=d" -- Q: || finish
  click_control about 12
  n=$((n + 1))
  if wait_requests "$n"; then
    expect "without the desktop's shell: document" "$(requested_document "$n")" "\"$appdir\\readme.txt\""
    expect "without the desktop's shell: opened by the program's own shell" "$(requested_by "$n")" tavelin.exe
  else
    fail "without the desktop's shell: the read-me was not opened"
  fi
  close_about
}

# Screen readers, asking through Active Accessibility from another process, hear each of the four
# links as a link: its text as the name, focusable and linked, "Jump" as its default action, the
# label's rectangle on the screen, no children. The hidden sound spot has no name and no action.
# Following the read-me's default action opens it as a click does; Tab and Shift+Tab raise the
# focus event for the link that takes the focus, which then also says it is focused.
scenario_accessibility() {
  local row id name line x y w h events watcher i
  use_recorder
  open_about Q: || finish
  for row in "7|https://tavelin.example.org/index.html" "11|General public license" "12|Readme.txt" "13|Orrimel"; do
    IFS='|' read -r id name <<<"$row"
    line=$(driver accessible about "$id") || { fail "link $id: no accessible object"; continue; }
    expect "link $id: role (ROLE_SYSTEM_LINK)" "$(field role <<<"$line")" 30
    expect "link $id: name" "$(quoted name <<<"$line")" "$name"
    expect "link $id: focusable and linked, not focused" \
      "$(( $(field state <<<"$line") & 0x500004 ))" "$(( 0x500000 ))"
    expect "link $id: default action" "$(quoted action <<<"$line")" Jump
    read -r x y w h < <(driver rect about "$id")
    expect "link $id: location is the label on the screen" "$(field location <<<"$line")" "$x,$y,$w,$h"
    expect "link $id: no children" "$(field children <<<"$line")" 0
  done
  line=$(driver accessible about 10) || fail "the sound spot: no accessible object"
  expect "the sound spot: no name, no action" "$(quoted name <<<"$line")|$(quoted action <<<"$line")" "|"

  driver do-default about 12 || fail "the read-me's default action was refused"
  if wait_requests 1; then
    expect "the read-me's default action opens it" "$(requested_document 1)" "\"$(windows_path "$APP")\\readme.txt\""
  else
    fail "the read-me's default action opened nothing"
  fi

  # Straight to a file (the driver's filter would hold "ready" back until the end).
  timeout 60 wine "$TAVELIN_DRIVER" focus-events 4000 </dev/null >"$E2E_TMP/events" 2>&1 &
  watcher=$!
  for i in $(seq 100); do grep -q ready "$E2E_TMP/events" 2>/dev/null && break; sleep 0.05; done
  xdotool key Tab sleep 0.3 key Tab sleep 0.3 key Tab sleep 0.3 key Tab sleep 0.3 key shift+Tab
  focused_state() { echo $(( $(driver accessible about "$1" | field state) & 0x4 )); }
  expect "the focused link says it is focused" "$(settled 4 5 focused_state 12)" 4
  expect "a link without the focus does not" "$(focused_state 13)" 0
  wait "$watcher"
  events=$(tr -d '\r' <"$E2E_TMP/events" | grep -v ready | tr '\n' ' ')
  expect "focus events while tabbing through the links" "$events" "7 11 12 13 12 "
  close_about
}

# The links for keyboard users: no link has the focus (and none shows a focus rectangle) until
# the first Tab; then Tab and Shift+Tab go round the four links in reading order, the focused
# link alone shows the rectangle, Enter and Space each open its document once per press, Escape
# still opens the licence, and Space on "Orrimel" starts the screen effect. Leaves screenshots
# of the window before any key and with the focus on a link.
scenario_keyboard() {
  local appdir id step key name plain focused n doc how
  local -A plain_colours
  use_recorder
  open_about Q: || finish
  appdir=$(windows_path "$APP")
  shot() { import -window root -crop 420x226+150+104 "$TAVELIN_ARTIFACTS/$1" 2>/dev/null && echo "screenshot: $TAVELIN_ARTIFACTS/$1"; }

  expect "no link has the focus when the window opens" "$(driver focus about)" "0"
  for id in 7 11 12 13; do plain_colours[$id]=$(driver colours about "$id" | field distinct); done
  shot about_keyboard_before.png

  for step in "Tab 7 the home page" "Tab 11 the licence" "Tab 12 the read-me" "Tab 13 Orrimel" \
              "Tab 7 the home page again" "shift+Tab 13 Orrimel" "shift+Tab 12 the read-me" \
              "shift+Tab 11 the licence" "shift+Tab 7 the home page"; do
    read -r key id name <<<"$step"
    xdotool key "$key"
    expect "$key reaches $name" "$(settled "$id" 5 driver focus about)" "$id"
  done
  # The focus rectangle adds the colours of its dots to the focused link, and to no other.
  for id in 7 11 12 13; do
    focused=$(driver colours about "$id" | field distinct)
    if [ "$id" == 7 ]; then
      [ "$focused" -gt "${plain_colours[$id]}" ] && echo "ok: the focused link shows the focus rectangle" \
        || fail "the focused link shows no focus rectangle ($focused colours, ${plain_colours[$id]} before)"
    else
      expect "link $id shows no focus rectangle" "$focused" "${plain_colours[$id]}"
    fi
  done
  shot about_keyboard_focus.png

  # Enter or Space on each link opens its document once per press, as a click does.
  n=0
  for step in "7 Return https://tavelin.example.org/" "7 space https://tavelin.example.org/" \
              "11 Return $appdir\\gpl.txt" "12 space $appdir\\readme.txt"; do
    read -r id how doc <<<"$step"
    while [ "$(driver focus about)" != "$id" ]; do xdotool key Tab; sleep 0.1; done
    xdotool key "$how"
    n=$((n + 1))
    if wait_requests "$n"; then
      expect "$how on link $id" "$(requested_document "$n")" "\"$doc\""
    else
      fail "$how on link $id: the shell was not asked"
    fi
  done
  # Held down, Enter opens the document once.
  xdotool keydown Return
  sleep 0.8
  xdotool keyup Return
  n=$((n + 1))
  wait_requests "$n" && expect "Enter held down" "$(requested_document "$n")" "\"$appdir\\readme.txt\""
  sleep 0.5
  expect "Enter held down asks the shell once" "$(shell_requests)" "$n"
  # Escape, with the focus on a link, still opens the licence and leaves the window open.
  xdotool key Escape
  n=$((n + 1))
  wait_requests "$n" && expect "Escape on a link" "$(requested_document "$n")" "\"$appdir\\gpl.txt\""
  driver wait about 1000 || fail "Escape closed the About window"

  # Space on "Orrimel" starts the screen effect; a key ends it, and the run ends.
  while [ "$(driver focus about)" != 13 ]; do xdotool key Tab; sleep 0.1; done
  xdotool key space
  driver wait effect 10000 || fail "Space on Orrimel did not start the screen effect"
  sleep 0.5
  xdotool key a
  tavelin_wait 30 || fail "the program did not end after the effect"
  expect "exit code after the effect" "$TAV_RC" 1
}

# The hidden spot on the photograph plays korvane.dll to its end before the window answers
# again; without the file it plays nothing (no default sound) and returns at once; the rest of
# the photograph does nothing. ALSA's file plugin stands in for the sound card, so the test
# reads what was played.
scenario_sound() {
  local pcm_bytes silence watcher longest size before
  use_sound_capture
  capture_stamp() { stat -c '%s %y' "$CAPTURE" 2>/dev/null; }
  # The PCM bytes of the sound file: its data chunk, after the 44-byte header of our generator.
  pcm_bytes=$(( $(stat -c %s "$APP/korvane.dll") - 44 ))

  open_about Q: || finish

  # Our sound, played to its end.
  click_control about 10
  sleep 0.2
  driver ping about 10000 >/dev/null || fail "the window did not answer after the sound"
  expect "the whole of korvane.dll is played" "$(captured)" "$pcm_bytes"

  # The window waits for the sound: with five seconds of silence in its place, the driver asks
  # the window all along whether it answers while the spot is clicked. (Wine's null device plays
  # faster than real time, but it still takes over a second; an asynchronous call returns at once.)
  silence=$((22050 * 2 * 5))
  write_silence "$silence" "$APP/korvane.dll"
  sleep 0.6  # not a double click
  driver watch about 8000 "$(windows_path "$CAPTURE")" >"$E2E_TMP/watch.txt" &
  watcher=$!
  sleep 1.5
  click_control about 10
  wait "$watcher"
  longest=$(field longest_ms <"$E2E_TMP/watch.txt")
  size=$(field size_after <"$E2E_TMP/watch.txt")
  echo "info: the window did not answer for ${longest} ms; then $size of $silence bytes were played"
  [ "${longest:-0}" -ge 500 ] && echo "ok: the window waits while the sound plays" \
    || fail "the window kept answering while the sound played (longest wait ${longest} ms)"
  expect "when the window answers again, the whole sound has been played" "$size" "$silence"

  # The rest of the photograph is not the spot.
  before=$(capture_stamp)
  sleep 0.6
  click_control about 8 3 3
  click_control about 8 40 55
  sleep 0.3
  driver ping about 2000 >/dev/null || fail "the window stopped answering"
  expect "a click beside the spot plays nothing" "$(capture_stamp)" "$before"

  # Without the sound file: nothing is played. (Wine never falls back to a default sound, so
  # this cannot tell whether the call asked for none.)
  rm "$APP/korvane.dll"
  sleep 0.6  # not a double click
  click_control about 10
  sleep 0.3
  driver ping about 2000 >/dev/null || fail "the window stopped answering without the sound file"
  expect "without korvane.dll nothing is played" "$(capture_stamp)" "$before"
  driver nomsgbox Tavelin 300 || fail "a message box appeared"
  driver wait about 1000 || fail "the About window went away"
  close_about
}

# Run from folders whose names the ANSI code page cannot hold, the links open the program's own
# documents and the sound spot plays its own sound: from C:\Программы\, and from C:\Ｔav\
# (fullwidth Ｔ) beside a folder C:\Tav\ whose look-alike files must never be used.
scenario_unicode() {
  local pcm_bytes drive_c n source_app folder link id document
  use_recorder
  use_sound_capture
  pcm_bytes=$(( $(stat -c %s "$APP/korvane.dll") - 44 ))

  # The look-alike folder: other documents and a sound of another length.
  drive_c=$WINEPREFIX/drive_c
  on_exit "rm -rf '$drive_c/Tav' '$drive_c/Программы' '$drive_c/Ｔav'"
  mkdir -p "$drive_c/Tav"
  echo "not ours" >"$drive_c/Tav/gpl.txt"
  echo "not ours" >"$drive_c/Tav/readme.txt"
  write_silence 4410 "$drive_c/Tav/korvane.dll"

  n=0
  source_app=$APP
  for folder in 'Программы' 'Ｔav'; do
    APP=$drive_c/$folder
    cp -r "$source_app" "$APP" || fail "no copy in $folder"
    EXE=$APP/tavelin.exe
    expect "from $folder: the program's Windows path" "$(windows_path "$EXE")" "C:\\$folder\\tavelin.exe"
    open_about Q: || finish
    for link in "11 gpl.txt" "12 readme.txt"; do
      read -r id document <<<"$link"
      n=$((n + 1))
      click_control about "$id"
      if wait_requests "$n"; then
        expect "from $folder: $document opens from its own folder" "$(requested_document "$n")" "\"C:\\$folder\\$document\""
      else
        fail "from $folder: $document: the shell was not asked (a box? $(driver msgbox Tavelin 500))"
        driver dismiss Tavelin >/dev/null 2>&1
      fi
    done
    rm -f "$CAPTURE"
    sleep 0.6  # not a double click
    click_control about 10
    sleep 0.2
    driver ping about 10000 >/dev/null || fail "from $folder: the window did not answer after the sound"
    expect "from $folder: the sound spot plays the program's own sound" "$(captured)" "$pcm_bytes"
    close_about "from $folder"
  done
}

# Nothing but the links and the sound spot reacts: clicks on the other labels, the pictures,
# the clip, its square and the bare window change nothing, ask the shell for nothing and show
# no box; the window keeps answering.
scenario_inert() {
  local before fine_before id dx dy
  use_recorder
  open_about Q: || finish
  before=$(driver info about)
  fine_before=$(driver info result)

  # control id and, optionally, the point inside it (away from anything lying on it).
  while read -r id dx dy; do
    if [ -n "$dx" ]; then click_control about "$id" "$dx" "$dy"; else click_control about "$id"; fi
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
  expect "About window unchanged" "$(driver info about)" "$before"
  expect "result window unchanged" "$(driver info result)" "$fine_before"
  expect "no screen effect" "$(driver count effect)" "0"
  driver ping about 2000 >/dev/null || fail "the About window stopped answering"
  close_about
}

# "Orrimel" starts the screen effect over the still open About window; a click ends the effect,
# and then the About and result windows close and the program ends with its flush's exit code
# (0 here: the drive is an image file that flushes).
scenario_effect() {
  map_image_drive t
  open_about T: || finish

  click_control about 13
  driver wait effect 10000 || fail "the screen effect did not start"
  sleep 1
  expect "the About window stays loaded under the effect" "$(driver count about)" "1"
  expect "so does the result window" "$(driver count result)" "1"
  click_screen_centre

  if tavelin_wait 30; then
    expect "exit code after the effect" "$TAV_RC" "0"
  else
    fail "the program did not end after the effect"
    driver info about
  fi
  expect "no window of the program is left" \
    "$(driver count about)$(driver count result)$(driver count effect)" "000"
}

# Alt+F4 closes the About window, and with it the result window: the program ends with its
# flush's exit code (1: the drive does not exist). The About window opens even without its clip
# korvane2.dll (the square stays empty).
scenario_close() {
  rm -f "$APP/korvane2.dll"
  open_about Q: || finish
  expect "the clip's control is there, empty" "$(driver info about | grep -c 'class=TavelinAnimation')" "1"
  driver ping about 2000 >/dev/null || fail "the About window does not answer"

  xdotool key alt+F4
  if tavelin_wait 20; then
    expect "exit code after Alt+F4" "$TAV_RC" "1"
  else
    fail "the program did not end after Alt+F4"
  fi
}

# A new user's prefix: without tools/prefix-associations.sh the licence link fails with "No
# association for file extension"; after it, the licence and the read-me open in Wine's
# Notepad and the web address reaches the host's browser through winebrowser.
scenario_newuser() {
  local box how doc caption i
  # The host's browser, as winebrowser finds it: a stand-in that notes the address. The desktop's
  # shell, which starts winebrowser, takes PATH from the prefix's start.
  mkdir -p "$E2E_TMP/bin"
  cat >"$E2E_TMP/bin/xdg-open" <<SH
#!/bin/sh
echo "\$@" >> "$E2E_TMP/browser.log"
SH
  chmod +x "$E2E_TMP/bin/xdg-open"
  export PATH=$E2E_TMP/bin:$PATH
  fresh_prefix newuser

  open_about Q: || finish
  xdotool key Escape
  box=$(driver msgbox Tavelin 10000) || fail "fresh prefix: no message box"
  expect "fresh prefix: the licence has no viewer" "$box" \
    'text="No association for file extension" buttons="OK" icons=0 owner=frmAbout'
  dismiss_box
  close_about

  bash "$TAVELIN_SOURCE/tools/prefix-associations.sh" || fail "prefix-associations.sh failed"
  bash "$TAVELIN_SOURCE/tools/prefix-associations.sh" || fail "prefix-associations.sh failed when run again"

  open_about Q: || finish
  for how in Escape 11 12; do
    if [ "$how" == Escape ]; then xdotool key Escape; doc=gpl.txt; else click_control about "$how"; fi
    [ "$how" == 12 ] && doc=readme.txt
    driver --any wait Notepad 20000 || { fail "$how: no Notepad window"; continue; }
    caption=$(driver --any info Notepad | window_line | quoted caption)
    case "$caption" in
      *"$doc"*) echo "ok: $how opens $doc in Notepad ($caption)" ;;
      *) fail "$how: Notepad shows [$caption], expected $doc" ;;
    esac
    driver nomsgbox Tavelin 300 || fail "$how: a message box appeared"
    driver --any close Notepad
    driver --any gone Notepad 10000 || fail "$how: Notepad did not close"
  done

  click_control about 7
  for i in $(seq 200); do [ -s "$E2E_TMP/browser.log" ] && break; sleep 0.05; done
  expect "the web address reaches the host's browser" "$(cat "$E2E_TMP/browser.log" 2>/dev/null)" \
    "https://tavelin.example.org/"
  driver nomsgbox Tavelin 300 || fail "the web address: a message box appeared"
  driver wait about 1000 || fail "the About window went away"
  close_about
}

# No DLL from the program's folder is ever loaded: a marker DLL sits there under the name of
# every DLL in the prefix's system32, and a whole run (flush, About window, sound spot, links,
# Escape, screen effect) leaves no mark. Once with Wine's default load order, once with the
# DLLs the program loads itself set to native-first (as Windows searches), and the DLLs they
# pull in.
scenario_planting() {
  local planted=() dll name
  local -A seen=()
  : "${TAVELIN_MARKER:?}"
  use_recorder
  use_sound_capture
  map_image_drive t

  for dll in "$WINEPREFIX"/drive_c/windows/system32/*.dll; do
    name=${dll##*/}
    name=$APP/${name,,}
    [ -e "$name" ] || [ -n "${seen[$name]:-}" ] || planted+=("$name")
    seen[$name]=1
  done
  # One copy of the marker to every name at once, with the marker's own mode.
  tee "${planted[@]}" <"$TAVELIN_MARKER" >/dev/null && chmod --reference="$TAVELIN_MARKER" "${planted[@]}" ||
    fail "the marker DLLs could not be planted"
  echo "info: ${#planted[@]} marker DLLs beside the program"
  [ "${#planted[@]}" -gt 300 ] || fail "too few DLL names to plant (${#planted[@]})"

  walk() {  # walk WHAT
    local n step how what name marks
    open_about T: || return
    click_control about 10                       # the sound spot
    sleep 0.2
    driver ping about 10000 >/dev/null || fail "$1: the window did not answer after the sound"
    n=$(shell_requests)
    for step in "click 11 licence" "click 12 read-me" "click 7 home page" "key Escape licence"; do
      read -r how what name <<<"$step"
      if [ "$how" = click ]; then sleep 0.6; click_control about "$what"; else xdotool key "$what"; fi
      n=$((n + 1))
      wait_requests "$n" || fail "$1: $name: the shell was not asked"
    done
    click_control about 13                       # the screen effect
    driver wait effect 10000 || fail "$1: the screen effect did not start"
    sleep 0.5
    xdotool mousemove 200 200 sleep 0.1 click 1
    tavelin_wait 30 || fail "$1: the program did not end"
    expect "$1: exit code" "$TAV_RC" 0
    marks=$(cd "$APP" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')
    expect "$1: no planted DLL was loaded" "$marks" ""
    rm -f "$APP"/*.loaded
  }

  walk "default load order"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;shell32,shlwapi,shcore,ole32,combase,winmm,comctl32=n,b" walk "native first"
}

# The About window opens at its fixed place when that place keeps it wholly on its screen, and
# otherwise moves only as far as needed into the work area of its monitor (top-left corner
# first when it is larger): at 192 DPI on the lane's 1024x768 screen, and on a 320x200 screen.
placement_rect() { sed -n "s/.*$1=\([-0-9,]*\).*/\1/p" <<<"$2" | tr ',' ' '; }

scenario_placement_dpi_192() {
  local line wl wt wr wb al at ar ab cx cy ox ow
  use_dpi 192
  open_about Q: || finish
  line=$(driver placement about)
  echo "info: $line"
  read -r wl wt wr wb < <(placement_rect window "$line")
  read -r al at ar ab < <(placement_rect work "$line")
  read -r cx cy _ _ < <(driver rect about 0)
  # At 192 DPI the fixed place (312, 220) would put the right edge past the screen's.
  expect "the right edge meets the work area's" "$wr" "$ar"
  expect "the top stays where the fixed place puts it (the window fits vertically)" "$cy" 220
  [ "$wl" -ge "$al" ] && [ "$wb" -le "$ab" ] && echo "ok: wholly inside the work area" \
    || fail "outside the work area: $line"
  read -r ox _ ow _ < <(driver rect about 13)
  [ $((ox + ow)) -le "$ar" ] && echo "ok: \"Orrimel\" is wholly on the screen" \
    || fail "\"Orrimel\" is cut at $((ox + ow)) (screen ends at $ar)"
  close_about
}

scenario_placement_small_screen() {
  local line wl wt al at
  fresh_prefix small 320x200x24
  open_about Q: || finish
  line=$(driver placement about)
  echo "info: $line"
  read -r wl wt _ _ < <(placement_rect window "$line")
  read -r al at _ _ < <(placement_rect work "$line")
  expect "a window larger than the screen has its top-left corner at the work area's" "$wl,$wt" "$al,$at"
  close_about
}

run_scenario "$@"
