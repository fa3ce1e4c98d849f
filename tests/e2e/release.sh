#!/usr/bin/env bash
# What users download and what they may do with it. Usage: release.sh SCENARIO
#   zip              the release zip: its listing, its dates, SHA256SUMS; then unpacked into a
#                    fresh folder of a fresh prefix and run from there on an image-backed drive
#   siblings-closed  the sibling files can be opened exclusively by another program while the
#                    wait, result and About windows and the screen effect are up (the stick they
#                    sit on can be pulled while the result is read)
. "$(dirname "$0")/lib.sh"

# The entries of a zip as "name|YYYY-MM-DD hh:mm:ss", one a line, in the archive's order.
zip_entries() {
  python3 - "$1" <<'PY'
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print("%s|%04d-%02d-%02d %02d:%02d:%02d" % ((i.filename,) + i.date_time))
PY
}

# The time every entry must carry, as the packer chooses it.
expected_entry_time() {
  local epoch=${SOURCE_DATE_EPOCH:-}
  [ -n "$epoch" ] || epoch=$(git -C "$TAVELIN_SOURCE" log -1 --format=%ct 2>/dev/null) || return 1
  # Zip times count seconds in steps of two.
  [ -n "$epoch" ] && date -u -d "@$((epoch / 2 * 2))" '+%Y-%m-%d %H:%M:%S'
}

check_zip() {
  local zip=$TAVELIN_RELEASE_ZIP folder=$TAVELIN_RELEASE_FOLDER entries names expected f when
  [ -f "$zip" ] || { fail "no release zip at $zip"; return 1; }
  entries=$(zip_entries "$zip") || { fail "the zip does not read"; return 1; }
  names=$(cut -d'|' -f1 <<<"$entries" | sort | tr '\n' ' ')
  expected="$folder/"
  for f in tavelin.exe "${SIBLINGS[@]}"; do expected+=$'\n'"$folder/$f"; done
  expect "the zip holds one folder with the program and its five files" "$names" "$(sort <<<"$expected" | tr '\n' ' ')"
  expect "entries in name order" "$(cut -d'|' -f1 <<<"$entries" | tr '\n' ' ')" "$names"
  if when=$(expected_entry_time); then
    expect "every entry dated at the commit's time (UTC)" "$(cut -d'|' -f2 <<<"$entries" | sort -u)" "$when"
  else
    expect "every entry carries the same time" "$(cut -d'|' -f2 <<<"$entries" | sort -u | wc -l)" 1
  fi

  # The download as a user has it: the zip and SHA256SUMS in one folder.
  local download=$E2E_TMP/download
  mkdir -p "$download"
  cp "$zip" "$(dirname "$zip")/SHA256SUMS" "$download/" || { fail "no SHA256SUMS beside the zip"; return 1; }
  expect "SHA256SUMS covers the zip and each file in it" \
    "$(awk '{print $2}' "$download/SHA256SUMS" | sort | tr '\n' ' ')" \
    "$( (basename "$zip"; grep -v '/$' <<<"$(cut -d'|' -f1 <<<"$entries")") | sort | tr '\n' ' ')"
  if (cd "$download" && sha256sum --quiet -c --ignore-missing SHA256SUMS); then
    echo "ok: the zip matches SHA256SUMS before unpacking"
  else
    fail "the zip does not match SHA256SUMS"
  fi
  (cd "$download" && python3 -m zipfile -e "$(basename "$zip")" .) || fail "the zip did not unpack"
  if (cd "$download" && sha256sum --quiet --strict -c SHA256SUMS); then
    echo "ok: every unpacked file matches SHA256SUMS"
  else
    fail "unpacked files do not match SHA256SUMS"
  fi
  # A corrupted download must not pass.
  printf 'x' >>"$download/$folder/readme.txt" || fail "the download could not be changed"
  if (cd "$download" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
    fail "a changed file still passes sha256sum -c"
  else
    echo "ok: a changed file fails the check"
  fi
}

# open_alone_all WHEN WINDOWS-FOLDER: each sibling file opens with no sharing, from another
# process (one driver run for all of them, so that a window's checks take a moment only).
open_alone_all() {
  local when=$1 dir=$2 f paths=() results
  for f in "${SIBLINGS[@]}"; do paths+=("$dir\\$f"); done
  mapfile -t results < <(driver open-alone "${paths[@]}")
  for f in "${!SIBLINGS[@]}"; do
    expect "$when: ${SIBLINGS[$f]} is not held open" "${results[$f]:-no answer}" "ok"
  done
}

scenario_zip() {
  local folder
  check_zip
  # A fresh prefix of its own, on the lane's display.
  fresh_prefix release
  expect "the fresh prefix draws title-bar buttons with Marlett" "$(driver face Marlett)" "Marlett"

  folder=$WINEPREFIX/drive_c/Downloads
  mkdir -p "$folder"
  python3 -m zipfile -e "$TAVELIN_RELEASE_ZIP" "$folder" || fail "the zip did not unpack"
  truncate -s 8M "$E2E_TMP/release-stick.img"
  ln -sfn "$E2E_TMP/release-stick.img" "$WINEPREFIX/dosdevices/u::"
  EXE="C:\\Downloads\\$TAVELIN_RELEASE_FOLDER\\tavelin.exe" \
    run_with_clip "from the unpacked folder" $(shim_env TAVELIN_SHIM_PATH=release-stick.img TAVELIN_SHIM_SLEEP_MS=1500) -- U:
}

scenario_siblings_closed() {
  local dir holder frames
  use_app_copy
  dir=$(windows_path "$APP") || return

  # The check itself: a file another program has open does not open alone.
  # (Straight to a file, not through the driver function's pipe, to see "held" as soon as it comes.)
  wine "$TAVELIN_DRIVER" hold "$dir\\gpl.txt" 3000 >"$E2E_TMP/holder.out" 2>&1 </dev/null &
  holder=$!
  for _ in $(seq 100); do grep -q held "$E2E_TMP/holder.out" && break; sleep 0.05; done
  expect "a file held by another program is reported (sharing violation)" "$(driver open-alone "$dir\\gpl.txt")" "error 32"
  wait "$holder"
  open_alone_all "before the run" "$dir"

  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=3000) -- S:
  # The clip is read when the wait window loads, before it shows. (The player's frame count is
  # not asked for now: the window's thread is blocked in the flush and answers only after it.)
  driver wait wait 30000 || fail "no wait window"
  sleep 0.5
  if driver wait result 10 2>/dev/null; then
    fail "the result came before the wait window could be checked"
  else
    open_alone_all "wait window during the flush" "$dir"
    driver wait result 10 2>/dev/null && fail "the flush ended before the wait window's checks did"
  fi

  driver wait result 60000 || fail "no result window"
  frames=$(driver frames)
  [ "${frames:-0}" -gt 0 ] || fail "the wait window's clip never played (${frames:-no} frames)"
  open_alone_all "result window" "$dir"

  driver click result 101
  driver wait about 10000 || fail "no About window"
  sleep 0.5
  open_alone_all "About window, its clip playing" "$dir"

  sleep 0.3
  click_control about 13
  if driver wait effect 10000; then
    sleep 1
    open_alone_all "screen effect" "$dir"
    click_screen_centre
  else
    fail "the screen effect did not start"
  fi
  tavelin_wait; expect "exit code after the screen effect" "$TAV_RC" 0
}

run_scenario "$@"
