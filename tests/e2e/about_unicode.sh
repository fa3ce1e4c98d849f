#!/usr/bin/env bash
# Run from folders whose names the ANSI code page cannot hold, the links open the program's own
# documents and the sound spot plays its own sound: from C:\Программы\, and from C:\Ｔav\
# (fullwidth Ｔ) beside a folder C:\Tav\ whose look-alike files must never be used.
. "$(dirname "$0")/about_lib.sh"

use_recorder
use_sound_capture
pcm_bytes=$(( $(stat -c %s "$APP/korvane.dll") - 44 ))

# The look-alike folder: other documents and a sound of another length.
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/Tav"
echo "not ours" >"$drive_c/Tav/gpl.txt"
echo "not ours" >"$drive_c/Tav/readme.txt"
write_silence 4410 "$drive_c/Tav/korvane.dll"
trap 'audio ""; rm -rf "$drive_c/Tav" "$drive_c/Программы" "$drive_c/Ｔav"; about_cleanup' EXIT

request() { tr -d '\r' <"$SHELL_LOG" | sed -n "${1}p" | sed 's/.*\tcmd=.*recorder.exe" //'; }
n=0
source_app=$APP
for folder in 'Программы' 'Ｔav'; do
  APP=$drive_c/$folder
  cp -r "$source_app" "$APP"
  TAVELIN_EXE="C:\\$folder\\tavelin.exe"
  open_about Q: || finish
  for link in "11 gpl.txt" "12 readme.txt"; do
    read -r id document <<<"$link"
    n=$((n + 1))
    click_control frmAbout "$id"
    if wait_requests "$n"; then
      expect "from $folder: $document opens from its own folder" "$(request "$n")" "\"C:\\$folder\\$document\""
    else
      fail "from $folder: $document: the shell was not asked (a box? $(driver msgbox Tavelin 500))"
      driver dismiss Tavelin >/dev/null 2>&1
    fi
  done
  rm -f "$CAPTURE"
  sleep 0.6  # not a double click
  click_control frmAbout 10
  sleep 0.2
  driver ping frmAbout 10000 >/dev/null || fail "from $folder: the window did not answer after the sound"
  expect "from $folder: the sound spot plays the program's own sound" "$(captured)" "$pcm_bytes"
  xdotool key alt+F4
  wait_program_exit 20 || fail "from $folder: the program did not end after Alt+F4"
done
finish
