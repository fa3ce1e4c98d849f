#!/usr/bin/env bash
# What users download and what they may do with it. Usage: release.sh SCENARIO
#   zip              the release zip: its listing, its dates, SHA256SUMS; then unpacked into a
#                    fresh folder of a fresh prefix and run from there on an image-backed drive
#   siblings-closed  the sibling files can be opened exclusively by another program while the
#                    wait, result and About windows and the screen effect are up (the stick they
#                    sit on can be pulled while the result is read)
# Takes TAVELIN_RELEASE_ZIP (with SHA256SUMS beside it) and TAVELIN_RELEASE_FOLDER besides
# lib.sh's variables.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

SIBLINGS=(res.dll korvane.dll korvane2.dll gpl.txt readme.txt)

# The flush shim, slowing the first flush on an image file whose path contains $1 by $2 ms.
slow_flush() { echo "LD_PRELOAD=$TAVELIN_SHIM" "TAVELIN_SHIM_PATH=$1" "TAVELIN_SHIM_SLEEP_MS=$2"; }

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
  [ -n "$epoch" ] || epoch=$(git -C "$here/../.." log -1 --format=%ct 2>/dev/null) || return 1
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
  check_eq "$names" "$(sort <<<"$expected" | tr '\n' ' ')" "the zip holds one folder with the program and its five files"
  check_eq "$(cut -d'|' -f1 <<<"$entries" | tr '\n' ' ')" "$names" "entries in name order"
  if when=$(expected_entry_time); then
    check_eq "$(cut -d'|' -f2 <<<"$entries" | sort -u)" "$when" "every entry dated at the commit's time (UTC)"
  else
    check_eq "$(cut -d'|' -f2 <<<"$entries" | sort -u | wc -l)" 1 "every entry carries the same time"
  fi

  # The download as a user has it: the zip and SHA256SUMS in one folder.
  local download=$E2E_TMP/download
  mkdir -p "$download"
  cp "$zip" "$(dirname "$zip")/SHA256SUMS" "$download/" || { fail "no SHA256SUMS beside the zip"; return 1; }
  check_eq "$(awk '{print $2}' "$download/SHA256SUMS" | sort | tr '\n' ' ')" \
    "$( (basename "$zip"; grep -v '/$' <<<"$(cut -d'|' -f1 <<<"$entries")") | sort | tr '\n' ' ')" \
    "SHA256SUMS covers the zip and each file in it"
  if (cd "$download" && sha256sum --quiet -c --ignore-missing SHA256SUMS); then
    echo "ok: the zip matches SHA256SUMS before unpacking"
  else
    fail "the zip does not match SHA256SUMS"
  fi
  (cd "$download" && python3 -m zipfile -e "$(basename "$zip")" .)
  if (cd "$download" && sha256sum --quiet --strict -c SHA256SUMS); then
    echo "ok: every unpacked file matches SHA256SUMS"
  else
    fail "unpacked files do not match SHA256SUMS"
  fi
  # A corrupted download must not pass.
  printf 'x' >>"$download/$folder/readme.txt"
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
    check_eq "${results[$f]:-no answer}" "ok" "$when: ${SIBLINGS[$f]} is not held open"
  done
}

# Screen point at the centre of a child control: control_centre CLASS ID
control_centre() {
  local info client rect cl ct l t r b
  info=$(driver info "$1")
  client=$(printf '%s\n' "$info" | field_of '^window' client)
  rect=$(printf '%s\n' "$info" | field_of "^child id=$2 " rect)
  IFS=, read -r cl ct _ _ <<<"$client"
  IFS=, read -r l t r b <<<"$rect"
  echo "$((cl + (l + r) / 2)) $((ct + (t + b) / 2))"
}

case "${1:-}" in
  zip)
    check_zip
    # A fresh prefix of its own, on the session's display, set up as every prefix is.
    FRESH=$E2E_TMP/prefix
    trap '[ -n "$TAV_PID" ] && kill "$TAV_PID" 2>/dev/null; WINEPREFIX=$FRESH wineserver -k 2>/dev/null; e2e_cleanup' EXIT
    (. "$here/../../tools/wine-lib.sh" && tav_prefix_init "$FRESH")
    export WINEPREFIX=$FRESH
    (. "$here/../../tools/wine-lib.sh" && tav_wineserver_start)
    check_eq "$(driver face Marlett)" "Marlett" "the fresh prefix draws title-bar buttons with Marlett"

    folder=$FRESH/drive_c/Downloads
    mkdir -p "$folder"
    python3 -m zipfile -e "$TAVELIN_RELEASE_ZIP" "$folder" || fail "the zip did not unpack"
    truncate -s 8M "$E2E_TMP/release-stick.img"
    ln -sfn "$E2E_TMP/release-stick.img" "$FRESH/dosdevices/u::"
    EXE="C:\\Downloads\\$TAVELIN_RELEASE_FOLDER\\tavelin.exe"
    tavelin_start $(slow_flush release-stick.img 1500) -- U:
    driver wait frmAttendere 30000 >/dev/null || fail "no wait window from the unpacked folder"
    driver wait frmFine 60000 >/dev/null || fail "no result window from the unpacked folder"
    frames=$(driver frames)
    if [ "${frames:-0}" -gt 3 ]; then echo "ok: the clip beside the unpacked program played ($frames frames)"; else fail "the unpacked clip did not play (${frames:-no} frames)"; fi
    check_eq "$(driver text)" "$(expected_text 0 8)" "result text of the unpacked program"
    driver click frmFine 2 >/dev/null
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code of the unpacked program"
    ;;
  siblings-closed)
    command -v xdotool >/dev/null || { echo "FAIL: xdotool missing"; exit 1; }
    app=$E2E_TMP/app
    mkdir -p "$app"
    cp "$TAVELIN_DIST/tavelin.exe" "$app/"
    for f in "${SIBLINGS[@]}"; do cp "$TAVELIN_DIST/$f" "$app/"; done
    dir=$(winepath -w "$app" 2>/dev/null)

    # The check itself: a file another program has open does not open alone.
    # (Straight to a file, not through the driver function's pipe, to see "held" as soon as it comes.)
    wine "$TAVELIN_DRIVER" hold "$dir\\gpl.txt" 3000 >"$E2E_TMP/holder.out" 2>&1 </dev/null &
    holder=$!
    for _ in $(seq 100); do grep -q held "$E2E_TMP/holder.out" && break; sleep 0.05; done
    check_eq "$(driver open-alone "$dir\\gpl.txt" || true)" "error 32" "a file held by another program is reported (sharing violation)"
    wait "$holder"
    open_alone_all "before the run" "$dir"

    EXE="$app/tavelin.exe" tavelin_start $(slow_flush tavelin-drives/stick.img 3000) -- S:
    # The clip is read when the wait window loads, before it shows. (The player's frame count is
    # not asked for now: the window's thread is blocked in the flush and answers only after it.)
    driver wait frmAttendere 30000 >/dev/null || fail "no wait window"
    sleep 0.5
    if driver wait frmFine 10 >/dev/null 2>&1; then
      fail "the result came before the wait window could be checked"
    else
      open_alone_all "wait window during the flush" "$dir"
      driver wait frmFine 10 >/dev/null 2>&1 && fail "the flush ended before the wait window's checks did"
    fi

    driver wait frmFine 60000 >/dev/null || fail "no result window"
    frames=$(driver frames)
    [ "${frames:-0}" -gt 0 ] || fail "the wait window's clip never played (${frames:-no} frames)"
    open_alone_all "result window" "$dir"

    driver click frmFine 101 >/dev/null
    driver wait frmAbout 10000 >/dev/null || fail "no About window"
    sleep 0.5
    open_alone_all "About window, its clip playing" "$dir"

    sleep 0.3
    xdotool mousemove $(control_centre frmAbout 13) sleep 0.1 click 1
    if driver wait TavelinGraphics 10000 >/dev/null; then
      sleep 1
      open_alone_all "screen effect" "$dir"
      read -r width height < <(xdotool getdisplaygeometry)
      xdotool mousemove $((width / 2)) $((height / 2)) sleep 0.1 click 1
    else
      fail "the screen effect did not start"
    fi
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code after the screen effect"
    ;;
  *)
    echo "usage: $0 zip|siblings-closed" >&2
    exit 2
    ;;
esac
e2e_done
