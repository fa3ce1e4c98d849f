#!/usr/bin/env bash
# The hidden spot on the photograph plays korvane.dll to its end before the window answers
# again; without the file it plays nothing (no default sound) and returns at once; the rest of
# the photograph does nothing. ALSA's file plugin stands in for the sound card, so the test
# reads what was played.
. "$(dirname "$0")/about_lib.sh"

use_sound_capture
capture_stamp() { stat -c '%s %y' "$CAPTURE" 2>/dev/null; }
# The PCM bytes of the sound file: its data chunk, after the 44-byte header of our generator.
pcm_bytes=$(( $(stat -c %s "$APP/korvane.dll") - 44 ))

open_about Q: || finish

# Our sound, played to its end.
click_control frmAbout 10
sleep 0.2
driver ping frmAbout 10000 >/dev/null || fail "the window did not answer after the sound"
expect "the whole of korvane.dll is played" "$(captured)" "$pcm_bytes"

# The window waits for the sound: with five seconds of silence in its place, the driver asks
# the window all along whether it answers while the spot is clicked. (Wine's null device plays
# faster than real time, but it still takes over a second; an asynchronous call returns at once.)
silence=$((22050 * 2 * 5))
write_silence "$silence" "$APP/korvane.dll"
sleep 0.6  # not a double click
driver watch frmAbout 8000 "$(winepath -w "$CAPTURE")" >"$WORK/watch.txt" &
watcher=$!
sleep 1.5
click_control frmAbout 10
wait "$watcher"
read -r longest size < <(tr '=' ' ' <"$WORK/watch.txt" | awk '{print $2, $4}')
echo "info: the window did not answer for ${longest} ms; then $size of $silence bytes were played"
[ "${longest:-0}" -ge 500 ] && echo "ok: the window waits while the sound plays" \
  || fail "the window kept answering while the sound played (longest wait ${longest} ms)"
expect "when the window answers again, the whole sound has been played" "$size" "$silence"

# The rest of the photograph is not the spot.
before=$(capture_stamp)
sleep 0.6
click_control frmAbout 8 3 3
click_control frmAbout 8 40 55
sleep 0.3
driver ping frmAbout 2000 >/dev/null || fail "the window stopped answering"
expect "a click beside the spot plays nothing" "$(capture_stamp)" "$before"

# Without the sound file: nothing is played. (Wine never falls back to a default sound, so
# this cannot tell whether the call asked for none.)
rm "$APP/korvane.dll"
sleep 0.6  # not a double click
click_control frmAbout 10
sleep 0.3
driver ping frmAbout 2000 >/dev/null || fail "the window stopped answering without the sound file"
expect "without korvane.dll nothing is played" "$(capture_stamp)" "$before"
driver nomsgbox Tavelin 300 || fail "a message box appeared"
driver wait frmAbout 1000 >/dev/null || fail "the About window went away"

xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
