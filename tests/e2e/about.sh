#!/usr/bin/env bash
# The About window of the real tavelin.exe under Wine + Xvfb, driven with real X11 input. Each
# scenario runs its own copy of the program ($APP), opens the About window from the result
# window's Info button, and ends the program itself. Usage: about.sh SCENARIO
. "$(dirname "$0")/lib.sh"

use_app_copy

# dismiss_box: a click on the message box's OK button once the box takes input, else the button
# pressed by the driver.
dismiss_box() {
  { driver ready box 10000 && click_control box ok; } || driver dismiss Tavelin
  driver gone box 5000 || driver dismiss Tavelin
}

# close_about [WHAT]: Alt+F4 closes the About window and ends the program.
close_about() {
  xdotool key alt+F4
  tavelin_wait 20 || fail "${1:+$1: }the program did not end after Alt+F4"
}

# Info opens the About window, modal over the result window, and the mouse pointer over its links
# is a hand of its own. (Its frame, place, controls, texts, colours and pictures are checked in
# the Win32 tests, at 96 and 144 DPI.) Leaves a screenshot of the window in the artifact folder.
scenario_window() {
  local plain hand id
  open_about Q: || finish
  ask window result
  expect "the result window waits, disabled" "${ANSWER[enabled]:-}" "0"

  # The pointer: one and the same over the four links, another over the rest of the window (the
  # hand's own image and hot spot are checked in the generated file).
  # pointer_at ID [DX DY]: moves the pointer over the control (its centre, or DX, DY in it).
  pointer_at() {
    local x y w h
    read -r x y w h < <(control_rect about "$1")
    xdotool mousemove $((x + ${2:-w / 2})) $((y + ${3:-h / 2}))
    # The window has taken the move (and set its pointer) once it has repainted after it.
    driver settle about || fail "the About window did not take the pointer's move over $1"
  }
  # other_than HANDLE: the pointer shown once it is another one (within 3 s).
  other_than() {
    shown_other() { SHOWN=$(answer cursor); [ "$SHOWN" != "$1" ]; }
    tav_until 3 shown_other "$1"
    echo "$SHOWN"
  }
  pointer_at window 300 100
  plain=$(answer cursor)
  pointer_at licence
  hand=$(other_than "$plain")
  [ -n "$hand" ] && [ "$hand" != "$plain" ] && ok "a pointer of its own over the links" \
    || fail "the pointer over a link ($hand) is the window's ($plain)"
  for id in home-page readme effect; do
    pointer_at window 300 100
    settled "$plain" 3 answer cursor >/dev/null
    pointer_at "$id"
    expect "the same pointer over link $id" "$(settled "$hand" 3 answer cursor)" "$hand"
  done
  # From a link each time: the plain pointer then shows only once the control has set it.
  for id in version rights sound-spot; do
    pointer_at licence
    settled "$hand" 3 answer cursor >/dev/null
    pointer_at "$id"
    expect "the plain pointer over control $id" "$(settled "$plain" 3 answer cursor)" "$plain"
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
  before=$(driver state about)

  # expect_request N WHAT DOCUMENT
  expect_request() {
    if wait_requests "$1"; then
      expect "$2: document" "$(requested_document "$1")" "\"$3\""
      expect "$2: working directory" "$(shell_request "$1" cwd)" 'C:\'
      expect "$2: opened by the desktop's shell" "$(requested_by "$1")" explorer.exe
    else
      fail "$2: the shell was not asked to open anything"
    fi
  }

  xdotool key Escape
  expect_request 1 "Escape" "$appdir\\$SIBLING_LICENCE"
  n=1
  for keys in shift+Escape ctrl+Escape alt+Escape; do
    n=$((n + 1))
    xdotool key "$keys"
    expect_request "$n" "$keys" "$appdir\\$SIBLING_LICENCE"
  done

  # Held down with auto-repeat, the key opens the licence once, on its release.
  xdotool keydown Escape
  sleep 0.8  # about time itself: held past the keyboard's repeat delay, so that repeats come
  driver settle about || fail "the About window did not take the held Escape"
  expect "nothing while Escape is held" "$(shell_requests)" "$n"
  xdotool keyup Escape
  n=$((n + 1))
  expect_request "$n" "Escape held then released" "$appdir\\$SIBLING_LICENCE"

  n=$((n + 1)); click_control about licence
  expect_request "$n" "General public license" "$appdir\\$SIBLING_LICENCE"
  n=$((n + 1)); click_control about readme
  expect_request "$n" "Readme.txt" "$appdir\\$SIBLING_README"
  n=$((n + 1)); click_control about home-page
  expect_request "$n" "the maker's address" "https://tavelin.example.org/"

  # A key other than Escape does nothing.
  # (A request they made late would still show in the count at the end.)
  xdotool key Return space a F1
  driver settle about || fail "the About window did not take the other keys"
  expect "other keys ask nothing" "$(shell_requests)" "$n"
  driver nomsgbox Tavelin 300 || fail "a message box appeared while the shell accepted every request"
  expect "About window unchanged after the requests" "$(driver state about)" "$before"

  # Without the licence file.
  rm "$APP/$SIBLING_LICENCE"
  for how in Escape label; do
    if [ "$how" == Escape ]; then xdotool key Escape; else click_control about licence; fi
    box=$(driver msgbox Tavelin 10000) || { fail "$how without gpl.txt: no message box"; continue; }
    expect "$how without gpl.txt: the box" "$box" "$(plain_box "File not found")"
    ask window about
    expect "$how without gpl.txt: the About window waits for the box" "${ANSWER[enabled]:-}" "0"
    # Dismissed with the mouse: a released Escape would reach the About window and ask again.
    dismiss_box
    expect "$how without gpl.txt: About window unchanged" "$(driver state about)" "$before"
  done
  # Escape that dismisses the box, tapped or held (the keyboard's repeats then reach the About
  # window once the box has gone), does not open the box again when it is released.
  for how in "tapped|key Escape" "held|keydown Escape sleep 1.2 keyup Escape"; do  # held: about time itself, past the repeat delay
    xdotool key Escape
    driver msgbox Tavelin 10000 >/dev/null || fail "Escape without gpl.txt: no message box"
    # shellcheck disable=SC2086  # the xdotool words
    xdotool ${how#*|}
    driver gone box 5000 || fail "the ${how%%|*} Escape did not dismiss the box"
    if driver msgbox Tavelin 700 >/dev/null 2>&1; then
      fail "the ${how%%|*} Escape that dismissed the box opened it again"
      driver dismiss Tavelin
    else
      ok "the ${how%%|*} Escape that dismissed the box does not open it again"
    fi
  done

  # The program's folder gone (the stick pulled): the files' folder is missing.
  mv "$APP" "$APP.gone"
  for id in licence readme; do
    click_control about "$id"
    box=$(driver msgbox Tavelin 10000) || { fail "link $id without its folder: no message box"; continue; }
    expect "link $id without its folder: the box" "$box" "$(plain_box "Path not found")"
    dismiss_box
  done
  mv "$APP.gone" "$APP"
  expect "the failed requests started nothing" "$(shell_requests)" "$n"
  close_about

  # Where the desktop's shell cannot be reached (here: the program's process cannot load the
  # shell's proxies, as when no Explorer runs), the program's own shell opens the document.
  open_about "WINEDLLOVERRIDES=$WINEDLLOVERRIDES;actxprxy=d" -- Q: || finish
  click_control about readme
  n=$((n + 1))
  if wait_requests "$n"; then
    expect "without the desktop's shell: document" "$(requested_document "$n")" "\"$appdir\\$SIBLING_README\""
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
  local row id name rect events watcher line step key
  use_recorder
  open_about Q: || finish
  for row in "home-page|https://tavelin.example.org/index.html" "licence|General public license" \
             "readme|Readme.txt" "effect|Orrimel"; do
    IFS='|' read -r id name <<<"$row"
    rect=$(answer rect about "$id")
    ask accessible about "$id" || { fail "link $id: no accessible object"; continue; }
    expect "link $id: role (ROLE_SYSTEM_LINK)" "${ANSWER[role]}" 30
    expect "link $id: name" "${ANSWER[name]}" "$name"
    expect "link $id: focusable and linked, not focused" "$(( ANSWER[state] & 0x500004 ))" "$(( 0x500000 ))"
    expect "link $id: default action" "${ANSWER[action]}" Jump
    expect "link $id: location is the label on the screen" "${ANSWER[location]}" "$rect"
    expect "link $id: no children" "${ANSWER[children]}" 0
  done
  ask accessible about sound-spot || fail "the sound spot: no accessible object"
  expect "the sound spot: no name, no action" "${ANSWER[name]:-}|${ANSWER[action]:-}" "|"

  driver do-default about readme || fail "the read-me's default action was refused"
  if wait_requests 1; then
    expect "the read-me's default action opens it" "$(requested_document 1)" "\"$(windows_path "$APP")\\$SIBLING_README\""
  else
    fail "the read-me's default action opened nothing"
  fi

  # Straight to a file (the driver's filter would hold "ready" back until the end).
  timeout 90 wine "$TAVELIN_DRIVER" focus-events 60000 </dev/null >"$E2E_TMP/events" 2>&1 &
  watcher=$!
  on_exit "kill $watcher 2>/dev/null"
  tav_until 10 grep -q ready "$E2E_TMP/events" || fail "the focus events are not watched"
  for step in "Tab home-page" "Tab licence" "Tab readme" "Tab effect" "shift+Tab readme"; do
    read -r key id <<<"$step"
    xdotool key "$key"
    driver wait-focus about "$id" >/dev/null || fail "$key did not reach $id"
  done
  focused_state() { ask accessible about "$1" && echo $(( ANSWER[state] & 0x4 )); }
  expect "the focused link says it is focused" "$(settled 4 5 focused_state readme)" 4
  expect "a link without the focus does not" "$(focused_state effect)" 0
  five_events() { [ "$(grep -c '^focus=' "$E2E_TMP/events")" -ge 5 ]; }
  tav_until 10 five_events
  kill "$watcher" 2>/dev/null
  wait "$watcher"
  events=""
  while IFS= read -r line; do
    line=${line%$'\r'}
    [ "${line%%=*}" = focus ] && events+="${line#*=} "
  done <"$E2E_TMP/events"
  expect "focus events while tabbing through the links" "$events" "home-page licence readme effect readme "
  close_about
}

# The links for keyboard users: no link has the focus (and none shows a focus rectangle) until
# the first Tab; then Tab and Shift+Tab go round the four links in reading order, the focused
# link alone shows the rectangle, Enter and Space each open its document once per press, Escape
# still opens the licence, and Space on "Orrimel" starts the screen effect. Leaves screenshots
# of the window before any key and with the focus on a link.
scenario_keyboard() {
  local appdir id step key plain focused n doc how
  local -A plain_colours
  use_recorder
  open_about Q: || finish
  appdir=$(windows_path "$APP")
  shot() { import -window root -crop 420x226+150+104 "$TAVELIN_ARTIFACTS/$1" 2>/dev/null && echo "screenshot: $TAVELIN_ARTIFACTS/$1"; }
  # tab_to LINK: Tab until the link has the focus, each press taken before the next.
  tab_to() {
    local links=(home-page licence readme effect) i j focus next
    for i in 1 2 3 4 5; do
      focus=$(answer focus about)
      [ "$focus" == "$1" ] && return 0
      next=home-page
      for j in 0 1 2; do [ "$focus" == "${links[j]}" ] && next=${links[j + 1]}; done
      xdotool key Tab
      driver wait-focus about "$next" >/dev/null || return 1
    done
    return 1
  }

  expect "no link has the focus when the window opens" "$(answer focus about)" window
  for id in home-page licence readme effect; do plain_colours[$id]=$(answer colours about "$id"); done
  shot about_keyboard_before.png

  for step in "Tab home-page" "Tab licence" "Tab readme" "Tab effect" "Tab home-page" \
              "shift+Tab effect" "shift+Tab readme" "shift+Tab licence" "shift+Tab home-page"; do
    read -r key id <<<"$step"
    xdotool key "$key"
    ask wait-focus about "$id"
    expect "$key reaches $id" "${ANSWER[focus]:-}" "$id"
  done
  # The focus rectangle adds the colours of its dots to the focused link, and to no other. What
  # the screen shows is read once it shows it: the window has repainted after the focus went on,
  # but its picture reaches the screen a moment later.
  for id in home-page licence readme effect; do
    if [ "$id" == home-page ]; then
      ask wait-colours about "$id" gt "${plain_colours[$id]}"
      focused=${ANSWER[distinct]:-}
      [ "${focused:-0}" -gt "${plain_colours[$id]}" ] && ok "the focused link shows the focus rectangle" \
        || fail "the focused link shows no focus rectangle (${focused:-no} colours, ${plain_colours[$id]} before)"
    else
      ask wait-colours about "$id" eq "${plain_colours[$id]}"
      expect "link $id shows no focus rectangle" "${ANSWER[distinct]:-}" "${plain_colours[$id]}"
    fi
  done
  shot about_keyboard_focus.png

  # Enter or Space on each link opens its document once per press, as a click does.
  n=0
  for step in "home-page Return https://tavelin.example.org/" "home-page space https://tavelin.example.org/" \
              "licence Return $appdir\\$SIBLING_LICENCE" "readme space $appdir\\$SIBLING_README"; do
    read -r id how doc <<<"$step"
    tab_to "$id" || fail "Tab did not reach $id"
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
  sleep 0.8  # about time itself: held past the keyboard's repeat delay, so that repeats come
  xdotool keyup Return
  n=$((n + 1))
  wait_requests "$n" && expect "Enter held down" "$(requested_document "$n")" "\"$appdir\\$SIBLING_README\""
  # (A request the repeats made late would come before the next one, Escape's.)
  driver settle about || fail "the About window did not take the held Enter"
  expect "Enter held down asks the shell once" "$(shell_requests)" "$n"
  # Escape, with the focus on a link, still opens the licence and leaves the window open.
  xdotool key Escape
  n=$((n + 1))
  wait_requests "$n" && expect "Escape on a link" "$(requested_document "$n")" "\"$appdir\\$SIBLING_LICENCE\""
  driver wait about 1000 || fail "Escape closed the About window"

  # Space on "Orrimel" starts the screen effect; a key ends it, and the run ends.
  tab_to effect || fail "Tab did not reach effect"
  xdotool key space
  driver wait effect 10000 || fail "Space on Orrimel did not start the screen effect"
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
  pcm_bytes=$(( $(stat -c %s "$APP/$SIBLING_SOUND") - 44 ))

  open_about Q: || finish

  # Our sound, played to its end.
  click_control about sound-spot
  driver settle about 20000 || fail "the window did not answer after the sound"
  expect "the whole of korvane.dll is played, once" "$(whole_once "$(captured)" "$pcm_bytes")" whole

  # The window waits for the sound: with five seconds of silence in its place, the driver asks
  # the window all along whether it answers while the spot is clicked. (Wine's null device plays
  # faster than real time, but it still takes over a second; an asynchronous call returns at once.)
  silence=$((22050 * 2 * 5))
  write_silence "$silence" "$APP/$SIBLING_SOUND"
  # (Straight to a file: "watching" is read while the driver goes on.)
  timeout 60 wine "$TAVELIN_DRIVER" watch about 8000 "$(windows_path "$CAPTURE")" </dev/null >"$E2E_TMP/watch.txt" &
  watcher=$!
  tav_until 10 grep -q watching "$E2E_TMP/watch.txt" || fail "the window is not watched"
  click_control about sound-spot
  wait "$watcher"
  read_answer < <(tr -d '\r' <"$E2E_TMP/watch.txt")
  longest=${ANSWER[longest_ms]:-}
  size=${ANSWER[size_after]:-}
  echo "info: the window did not answer for ${longest} ms; then $size of $silence bytes were played"
  [ "${longest:-0}" -ge 500 ] && ok "the window waits while the sound plays" \
    || fail "the window kept answering while the sound played (longest wait ${longest} ms)"
  expect "when the window answers again, the whole sound has been played" "$(whole_once "$size" "$silence")" whole

  # The rest of the photograph is not the spot.
  before=$(capture_stamp)
  click_control about photo 3 3
  click_control about photo 40 55
  driver settle about 20000 || fail "the window stopped answering"
  expect "a click beside the spot plays nothing" "$(capture_stamp)" "$before"

  # Without the sound file: nothing is played. (Wine never falls back to a default sound, so
  # this cannot tell whether the call asked for none.)
  rm "$APP/$SIBLING_SOUND"
  click_control about sound-spot
  driver settle about 20000 || fail "the window stopped answering without the sound file"
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
  pcm_bytes=$(( $(stat -c %s "$APP/$SIBLING_SOUND") - 44 ))

  # The look-alike folder: other documents and a sound of another length.
  drive_c=$WINEPREFIX/drive_c
  on_exit "rm -rf '$drive_c/Tav' '$drive_c/Программы' '$drive_c/Ｔav'"
  mkdir -p "$drive_c/Tav"
  echo "not ours" >"$drive_c/Tav/$SIBLING_LICENCE"
  echo "not ours" >"$drive_c/Tav/$SIBLING_README"
  write_silence 4410 "$drive_c/Tav/$SIBLING_SOUND"

  n=0
  source_app=$APP
  for folder in 'Программы' 'Ｔav'; do
    APP=$drive_c/$folder
    cp -r "$source_app" "$APP" || fail "no copy in $folder"
    EXE=$APP/tavelin.exe
    expect "from $folder: the program's Windows path" "$(windows_path "$EXE")" "C:\\$folder\\tavelin.exe"
    open_about Q: || finish
    for link in "licence $SIBLING_LICENCE" "readme $SIBLING_README"; do
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
    click_control about sound-spot
    driver settle about 20000 || fail "from $folder: the window did not answer after the sound"
    expect "from $folder: the sound spot plays the program's own sound" "$(whole_once "$(captured)" "$pcm_bytes")" whole
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
  before=$(driver state about)
  fine_before=$(driver state result)

  # control and, optionally, the point inside it (away from anything lying on it).
  while read -r id dx dy; do
    # (click_at keeps each click on its own, never part of a double click.)
    if [ -n "$dx" ]; then click_control about "$id" "$dx" "$dy"; else click_control about "$id"; fi
  done <<'CLICKS'
rights
language
update-note
version
icon
clip
clip-frame 2 2
photo 3 3
photo 40 50
window 300 100
window 200 200
CLICKS
  xdotool click 3  # a right click too

  driver settle about || fail "the About window did not take the clicks"
  expect "no shell request" "$(shell_requests)" "0"
  driver nomsgbox Tavelin 300 || fail "a message box appeared"
  expect "About window unchanged" "$(driver state about)" "$before"
  expect "result window unchanged" "$(driver state result)" "$fine_before"
  expect "no screen effect" "$(answer count effect)" "0"
  driver ping about 2000 >/dev/null || fail "the About window stopped answering"
  close_about
}

# "Orrimel" starts the screen effect over the still open About window; a click ends the effect,
# and then the About and result windows close and the program ends with its flush's exit code
# (0 here: the drive is an image file that flushes).
scenario_effect() {
  map_image_drive t
  open_about T: || finish

  click_control about effect
  driver wait effect 10000 || fail "the screen effect did not start"
  expect "the About window stays loaded under the effect" "$(answer count about)" "1"
  expect "so does the result window" "$(answer count result)" "1"
  click_screen_centre

  if tavelin_wait 30; then
    expect "exit code after the effect" "$TAV_RC" "0"
  else
    fail "the program did not end after the effect"
    driver state about
  fi
  expect "no window of the program is left" \
    "$(answer count about)$(answer count result)$(answer count effect)" "000"
}

# Alt+F4 closes the About window, and with it the result window: the program ends with its
# flush's exit code (1: the drive does not exist). The About window opens even without its clip
# korvane2.dll (the square stays empty).
scenario_close() {
  rm -f "$APP/$SIBLING_ABOUT_CLIP"
  open_about Q: || finish
  ask state about
  expect "the clip's control is there, empty" "${ANSWER[clip.class]:-}" TavelinAnimation
  driver ping about 2000 >/dev/null || fail "the About window does not answer"

  xdotool key alt+F4
  if tavelin_wait 20; then
    expect "exit code after Alt+F4" "$TAV_RC" "1"
  else
    fail "the program did not end after Alt+F4"
  fi
}

# A new user's prefix: without tests/wine/prefix-associations.sh the licence link fails with "No
# association for file extension"; after it, the licence and the read-me open in Wine's
# Notepad and the web address reaches the host's browser through winebrowser.
scenario_newuser() {
  local box how doc
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
  expect "fresh prefix: the licence has no viewer" "$box" "$(plain_box "No association for file extension")"
  dismiss_box
  close_about

  bash "$TAVELIN_SOURCE/tests/wine/prefix-associations.sh" || fail "prefix-associations.sh failed"
  bash "$TAVELIN_SOURCE/tests/wine/prefix-associations.sh" || fail "prefix-associations.sh failed when run again"

  open_about Q: || finish
  for how in Escape licence readme; do
    if [ "$how" == Escape ]; then xdotool key Escape; doc=$SIBLING_LICENCE; else click_control about "$how"; fi
    [ "$how" == readme ] && doc=$SIBLING_README
    driver --any wait Notepad 20000 || { fail "$how: no Notepad window"; continue; }
    # Notepad shows "Untitled" until it has read the document.
    if ask --any wait-caption Notepad "$doc" 20000; then
      ok "$how opens $doc in Notepad (${ANSWER[caption]})"
    else
      fail "$how: Notepad shows [${ANSWER[caption]:-}], expected $doc"
    fi
    driver nomsgbox Tavelin 300 || fail "$how: a message box appeared"
    driver --any close Notepad
    driver --any gone Notepad 10000 || fail "$how: Notepad did not close"
  done

  click_control about home-page
  tav_until 20 test -s "$E2E_TMP/browser.log"
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
    click_control about sound-spot
    driver settle about 20000 || fail "$1: the window did not answer after the sound"
    n=$(shell_requests)
    for step in "click licence licence" "click readme read-me" "click home-page home page" "key Escape licence"; do
      read -r how what name <<<"$step"
      if [ "$how" = click ]; then click_control about "$what"; else xdotool key "$what"; fi
      n=$((n + 1))
      wait_requests "$n" || fail "$1: $name: the shell was not asked"
    done
    driver settle about || fail "$1: the About window did not take the requests"
    click_control about effect
    driver wait effect 10000 || fail "$1: the screen effect did not start"
    click_at 200 200
    tavelin_wait 30 || fail "$1: the program did not end"
    expect "$1: exit code" "$TAV_RC" 0
    marks=$(cd "$APP" && ls -- *.loaded 2>/dev/null | tr '\n' ' ')
    expect "$1: no planted DLL was loaded" "$marks" ""
    rm -f "$APP"/*.loaded
  }

  walk "default load order"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;shell32,shlwapi,shcore,ole32,oleaut32,oleacc,combase,winmm,comctl32=n,b" \
    walk "native first"
}

# The About window opens at its fixed place when that place keeps it wholly on its screen, and
# otherwise moves only as far as needed into the work area of its monitor (top-left corner
# first when it is larger): at 192 DPI on the lane's 1024x768 screen, and on a 320x200 screen.
scenario_placement_dpi_192() {
  local line wl wt wr wb al at ar ab cx cy ox ow
  use_dpi 192
  open_about Q: || finish
  ask placement about
  line="window=${ANSWER[window]} work=${ANSWER[work]}"
  echo "info: $line"
  IFS=, read -r wl wt wr wb <<<"${ANSWER[window]}"
  IFS=, read -r al at ar ab <<<"${ANSWER[work]}"
  read -r cx cy _ _ < <(control_rect about window)
  # At 192 DPI the fixed place (312, 220) would put the right edge past the screen's.
  expect "the right edge meets the work area's" "$wr" "$ar"
  expect "the top stays where the fixed place puts it (the window fits vertically)" "$cy" 220
  [ "$wl" -ge "$al" ] && [ "$wb" -le "$ab" ] && ok "wholly inside the work area" \
    || fail "outside the work area: $line"
  read -r ox _ ow _ < <(control_rect about effect)
  [ $((ox + ow)) -le "$ar" ] && ok "\"Orrimel\" is wholly on the screen" \
    || fail "\"Orrimel\" is cut at $((ox + ow)) (screen ends at $ar)"
  close_about
}

scenario_placement_small_screen() {
  local wl wt al at
  fresh_prefix small 320x200x24
  open_about Q: || finish
  ask placement about
  echo "info: window=${ANSWER[window]} work=${ANSWER[work]}"
  IFS=, read -r wl wt _ _ <<<"${ANSWER[window]}"
  IFS=, read -r al at _ _ <<<"${ANSWER[work]}"
  expect "a window larger than the screen has its top-left corner at the work area's" "$wl,$wt" "$al,$at"
  close_about
}

run_scenario "$@"
