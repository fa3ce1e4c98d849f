#!/usr/bin/env bash
# The real tavelin.exe under Wine: result texts and exit codes for the drive and command-line
# classes. Usage: flush.sh SCENARIO  (see the case at the bottom).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

shim_env() {  # the flush shim, acting on the image behind S:
  echo "LD_PRELOAD=$TAVELIN_SHIM" "TAVELIN_SHIM_PATH=tavelin-drives/stick.img" "$@"
}

# Runs the program with ARGS, checks the result text against ERROR and STAGE, closes it with Ok
# and checks the exit code. run_case WHAT ERROR STAGE EXIT [ENV...] -- ARGS...
run_case() {
  local what=$1 error=$2 stage=$3 exit_code=$4
  shift 4
  tavelin_start "$@"
  if ! driver wait frmFine 60000; then fail "$what: no result window"; return; fi
  check_eq "$(driver text)" "$(expected_text "$error" "$stage")" "$what: result text"
  driver click frmFine 2 >/dev/null
  tavelin_wait; check_eq "$TAV_RC" "$exit_code" "$what: exit code"
}

# Like run_case for failures whose error number the platform chooses: the text must carry a
# nonzero number with that number's own system text and the stage.
run_open_failure() {  # run_open_failure WHAT -- ARGS...
  local what=$1
  shift
  tavelin_start "$@"
  if ! driver wait frmFine 60000; then fail "$what: no result window"; return; fi
  local text error
  text=$(driver text)
  error=$(printf '%s' "$text" | sed -nE 's/^Error: (-?[0-9]+):.*/\1/p')
  if [ -z "$error" ] || [ "$error" = 0 ]; then
    fail "$what: no error number in \"$text\""
  else
    check_eq "$text" "$(expected_text "$error" 1)" "$what: result text (error $error)"
  fi
  driver click frmFine 2 >/dev/null
  tavelin_wait; check_eq "$TAV_RC" 1 "$what: exit code"
}

case "${1:-}" in
  success)
    run_case "image-backed drive" 0 8 0 -- S:
    ;;
  unmapped)
    run_case "unmapped letter" 2 1 1 -- Q:
    ;;
  directory)
    run_case "folder-backed drive" 1 2 2 -- R:
    ;;
  later-flush)
    # The k-th flush fails below Wine; errno EIO, ENOSPC and EROFS become the system's errors.
    run_case "first flush fails (ENOSPC)" 112 2 2 $(shim_env TAVELIN_SHIM_FAIL_AT=1 TAVELIN_SHIM_ERRNO=28) -- S:
    run_case "second flush fails (EIO)" 21 3 3 $(shim_env TAVELIN_SHIM_FAIL_AT=2 TAVELIN_SHIM_ERRNO=5) -- S:
    run_case "third flush fails (EROFS)" 5 4 4 $(shim_env TAVELIN_SHIM_FAIL_AT=3 TAVELIN_SHIM_ERRNO=30) -- S:
    run_case "fourth flush fails (EIO)" 21 5 5 $(shim_env TAVELIN_SHIM_FAIL_AT=4 TAVELIN_SHIM_ERRNO=5) -- S:
    run_case "fifth flush fails (EIO)" 21 6 6 $(shim_env TAVELIN_SHIM_FAIL_AT=5 TAVELIN_SHIM_ERRNO=5) -- S:
    ;;
  closes-after-failure)
    # After a failed flush the volume is not held: another writer can open it while the result
    # window is up.
    tavelin_start $(shim_env TAVELIN_SHIM_FAIL_AT=2 TAVELIN_SHIM_ERRNO=5) -- S:
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    if wine "$TAVELIN_DRIVER" open-volume 'S:' >/dev/null 2>&1; then
      echo "ok: volume free while the result is shown"
    else
      fail "volume still held open after the failed flush"
    fi
    driver click frmFine 2 >/dev/null
    tavelin_wait; check_eq "$TAV_RC" 3 "exit code"
    ;;
  command-lines)
    run_open_failure "empty command line" --
    run_open_failure "one character" -- S
    run_open_failure "quoted drive" -- '"S:"'
    run_case "lower-case letter" 0 8 0 -- s:
    run_case "drive with a folder" 0 8 0 -- 'S:\Folder'
    # Fullwidth lookalikes of S: name no drive; a best-fit ANSI conversion would flush S:.
    run_open_failure "fullwidth lower-case letter" -- 'ｓ:'
    run_open_failure "fullwidth capital letter" -- 'Ｓ:'
    ;;
  missing-clip)
    # Without its clip the wait window shows empty and the flush goes on.
    mkdir -p "$E2E_TMP/noclip"
    cp "$TAVELIN_DIST/tavelin.exe" "$E2E_TMP/noclip/"
    EXE="$E2E_TMP/noclip/tavelin.exe" run_case "missing clip" 0 8 0 -- S:
    printf 'RIFF\x10\x00\x00\x00AVI LIST' > "$E2E_TMP/noclip/res.dll"
    EXE="$E2E_TMP/noclip/tavelin.exe" run_case "corrupt clip" 0 8 0 -- S:
    ;;
  drive-root)
    # Started from the root of K:, the clip path holds two backslashes in a row and still plays.
    EXE='K:\tavelin.exe' tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=1500) -- S:
    driver wait frmAttendere 30000 >/dev/null || fail "no wait window"
    driver wait frmFine 60000 >/dev/null || fail "no result window"
    frames=$(driver frames)
    if [ "${frames:-0}" -gt 3 ]; then echo "ok: clip played from the drive root ($frames frames)"; else fail "clip did not play from the root ($frames frames)"; fi
    check_eq "$(driver text)" "$(expected_text 0 8)" "result text from the root"
    driver click frmFine 2 >/dev/null
    tavelin_wait; check_eq "$TAV_RC" 0 "exit code from the root"
    ;;
  *)
    echo "usage: $0 success|unmapped|directory|later-flush|closes-after-failure|command-lines|missing-clip|drive-root" >&2
    exit 2
    ;;
esac
e2e_done
