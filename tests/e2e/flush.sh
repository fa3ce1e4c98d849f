#!/usr/bin/env bash
# The real tavelin.exe under Wine: result texts and exit codes for the drive and command-line
# classes. Usage: flush.sh SCENARIO
. "$(dirname "$0")/lib.sh"

# Runs the program with ARGS, checks the result text against ERROR and STAGE, closes it with Ok
# and checks the exit code. run_case WHAT ERROR STAGE EXIT [NAME=VALUE... --] ARGS...
run_case() {
  local what=$1 error=$2 stage=$3 exit_code=$4
  shift 4
  tavelin_start "$@"
  if ! driver wait result 60000; then fail "$what: no result window"; return; fi
  expect "$what: result text" "$(driver text)" "$(expected_text "$error" "$stage")"
  driver click result 2
  tavelin_wait; expect "$what: exit code" "$TAV_RC" "$exit_code"
}

# Like run_case for failures whose error number the platform chooses: the text must carry a
# nonzero number with that number's own system text and the stage.
run_open_failure() {  # run_open_failure WHAT ARGS...
  local what=$1 text error
  shift
  tavelin_start "$@"
  if ! driver wait result 60000; then fail "$what: no result window"; return; fi
  text=$(driver text)
  error=$(printf '%s' "$text" | sed -nE 's/^Error: (-?[0-9]+):.*/\1/p')
  if [ -z "$error" ] || [ "$error" = 0 ]; then
    fail "$what: no error number in \"$text\""
  else
    expect "$what: result text (error $error)" "$text" "$(expected_text "$error" 1)"
  fi
  driver click result 2
  tavelin_wait; expect "$what: exit code" "$TAV_RC" 1
}

scenario_success() { run_case "image-backed drive" 0 8 0 S:; }
scenario_unmapped() { run_case "unmapped letter" 2 1 1 Q:; }
scenario_directory() { run_case "folder-backed drive" 1 2 2 R:; }

scenario_later_flush() {
  # The k-th flush fails below Wine; errno EIO, ENOSPC and EROFS become the system's errors.
  run_case "first flush fails (ENOSPC)" 112 2 2 $(shim_env TAVELIN_SHIM_FAIL_AT=1 TAVELIN_SHIM_ERRNO=28) -- S:
  run_case "second flush fails (EIO)" 21 3 3 $(shim_env TAVELIN_SHIM_FAIL_AT=2 TAVELIN_SHIM_ERRNO=5) -- S:
  run_case "third flush fails (EROFS)" 5 4 4 $(shim_env TAVELIN_SHIM_FAIL_AT=3 TAVELIN_SHIM_ERRNO=30) -- S:
  run_case "fourth flush fails (EIO)" 21 5 5 $(shim_env TAVELIN_SHIM_FAIL_AT=4 TAVELIN_SHIM_ERRNO=5) -- S:
  run_case "fifth flush fails (EIO)" 21 6 6 $(shim_env TAVELIN_SHIM_FAIL_AT=5 TAVELIN_SHIM_ERRNO=5) -- S:
}

scenario_closes_after_failure() {
  # After a failed flush the volume is not held: another writer can open it while the result
  # window is up.
  tavelin_start $(shim_env TAVELIN_SHIM_FAIL_AT=2 TAVELIN_SHIM_ERRNO=5) -- S:
  driver wait result 60000 || fail "no result window"
  if driver open-volume 'S:' >/dev/null; then
    echo "ok: volume free while the result is shown"
  else
    fail "volume still held open after the failed flush"
  fi
  driver click result 2
  tavelin_wait; expect "exit code" "$TAV_RC" 3
}

scenario_command_lines() {
  run_open_failure "empty command line"
  run_open_failure "one character" S
  run_open_failure "quoted drive" '"S:"'
  run_case "lower-case letter" 0 8 0 s:
  run_case "drive with a folder" 0 8 0 'S:\Folder'
  # Fullwidth lookalikes of S: name no drive; a best-fit ANSI conversion would flush S:.
  run_open_failure "fullwidth lower-case letter" 'ｓ:'
  run_open_failure "fullwidth capital letter" 'Ｓ:'
}

scenario_missing_clip() {
  # Without its clip the wait window shows empty and the flush goes on.
  mkdir -p "$E2E_TMP/noclip"
  cp "$TAVELIN_DIST/tavelin.exe" "$E2E_TMP/noclip/" || fail "no program to copy"
  EXE="$E2E_TMP/noclip/tavelin.exe" run_case "missing clip" 0 8 0 S:
  printf 'RIFF\x10\x00\x00\x00AVI LIST' >"$E2E_TMP/noclip/res.dll" || fail "no corrupt clip written"
  EXE="$E2E_TMP/noclip/tavelin.exe" run_case "corrupt clip" 0 8 0 S:
}

scenario_drive_root() {
  # Started from the root of K:, the clip path holds two backslashes in a row and still plays.
  EXE='K:\tavelin.exe' run_with_clip "from the drive root" $(shim_env TAVELIN_SHIM_SLEEP_MS=1500) -- S:
}

run_scenario "$@"
