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
  if ! driver wait result 60000; then
    fail "$what: no result window (wait windows: $(answer count wait), running: $(kill -0 "$TAV_PID" 2>/dev/null && echo yes || echo no))"
    return
  fi
  expect "$what: result text" "$(answer text)" "$(expected_text "$error" "$stage")"
  driver click result ok
  tavelin_wait; expect "$what: exit code" "$TAV_RC" "$exit_code"
}

# Like run_case for failures whose error number the platform chooses: the text must carry a
# nonzero number with that number's own system text and the stage.
run_open_failure() {  # run_open_failure WHAT ARGS...
  local what=$1 text error
  shift
  tavelin_start "$@"
  if ! driver wait result 60000; then fail "$what: no result window"; return; fi
  text=$(answer text)
  error=""
  [[ $text =~ ^Error:\ (-?[0-9]+): ]] && error=${BASH_REMATCH[1]}
  if [ -z "$error" ] || [ "$error" = 0 ]; then
    fail "$what: no error number in \"$text\""
  else
    expect "$what: result text (error $error)" "$text" "$(expected_text "$error" 1)"
  fi
  driver click result ok
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
    ok "volume free while the result is shown"
  else
    fail "volume still held open after the failed flush"
  fi
  driver click result ok
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
  printf 'RIFF\x10\x00\x00\x00AVI LIST' >"$E2E_TMP/noclip/$SIBLING_WAIT_CLIP" || fail "no corrupt clip written"
  EXE="$E2E_TMP/noclip/tavelin.exe" run_case "corrupt clip" 0 8 0 S:
}

scenario_drive_root() {
  # Started from the root of K:, the clip path holds two backslashes in a row and still plays.
  EXE='K:\tavelin.exe' run_with_clip "from the drive root" $(shim_env TAVELIN_SHIM_SLEEP_MS=1500) -- S:
}

# The volume is opened as CreateFile's documentation asks for a volume: read and write access,
# shared for reading and writing, OPEN_EXISTING, unbuffered. Windows refuses an open that does not
# share writing while anything else has the volume open; Wine does not, so the call itself is
# read from a relay trace. Another program holding the volume open for reading and writing, and
# a second run during a flush, do not stop the flush.
scenario_shared_volume() {
  local holder call second second_rc i
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'KERNEL32.CreateFileW;kernelbase.CreateFileW' /f \
    >/dev/null 2>&1 </dev/null || fail "no relay trace set up"
  on_exit "wine reg delete 'HKCU\\Software\\Wine\\Debug' /v RelayInclude /f >/dev/null 2>&1 </dev/null"
  TAV_STDERR=$E2E_TMP/relay.log run_case "traced run" 0 8 0 WINEDEBUG=+relay -- S:
  call=$(grep -a -o 'Call [A-Za-z0-9]*\.CreateFileW([0-9a-f]* L"\\\\\\\\.\\\\S:",[0-9a-f,]*' "$E2E_TMP/relay.log" | head -n 1 |
         sed 's/.*",//' |
         # The relay shows whole registers: a DWORD argument's upper half is undefined in the x64
         # calling convention (Clang leaves it unset), so only its low 32 bits are the argument.
         awk -F, -v OFS=, '{ for (i = 1; i <= NF; ++i) if (i != 3 && i != 6 && length($i) > 8) $i = substr($i, length($i) - 7); print }')
  # access, share mode, security, disposition, flags
  expect "the volume's open: GENERIC_READ|GENERIC_WRITE, FILE_SHARE_READ|FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING" \
    "$call" "c0000000,00000003,00000000,00000003,20000000,00000000"

  wine "$TAVELIN_DRIVER" hold-volume S: 60000 >"$E2E_TMP/holder.out" 2>&1 </dev/null &
  holder=$!
  on_exit "kill $holder 2>/dev/null"
  tav_until 10 grep -q held "$E2E_TMP/holder.out"
  expect "another program holds the volume open" "$(tr -d '\r' <"$E2E_TMP/holder.out")" held=1
  run_case "while another program has the volume open" 0 8 0 S:
  kill "$holder" 2>/dev/null

  # Two runs at once, each flushing slowly.
  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=2000) -- S:
  driver wait wait 30000 || fail "no wait window for the first run"
  (cd "$E2E_TMP" && exec env $(shim_env TAVELIN_SHIM_SLEEP_MS=2000) timeout -k 5 120 wine "$TAVELIN_DIST/tavelin.exe" S:) \
    </dev/null >/dev/null 2>&1 &
  second=$!
  on_exit "kill $second 2>/dev/null"
  expect "both runs show their result" "$(settled 2 60 answer count result)" 2
  for i in 1 2; do
    expect "run during another run: result text ($i)" "$(answer text)" "$(expected_text 0 8)"
    driver click result ok
    settled $((2 - i)) 10 answer count result >/dev/null
  done
  tavelin_wait; expect "first run: exit code" "$TAV_RC" 0
  second_rc=0; wait "$second" || second_rc=$?
  expect "second run: exit code" "$second_rc" 0
}

# Started with its current folder on a drive (a shortcut's "Start in", a prompt in the stick's
# folder), the program makes the system folder its current one before its first window: the
# system holds every process's current folder open, and the drive must not be held.
scenario_current_folder() {
  local folder
  export TAVELIN_EXE='K:\tavelin.exe'
  (cd "$E2E_TMP" && exec timeout -k 5 60 wine start /d 'K:\' 'K:\tavelin.exe' R:) </dev/null >/dev/null 2>&1
  driver wait result 60000 || { fail "no result window"; return; }
  folder=$(answer cwd result)
  # The driver escapes backslashes; the system keeps a folder's final backslash.
  expect "the current folder is the system folder, not on K:" "${folder,,}" 'c:\\windows\\system32\\'
  driver click result ok
  driver gone result 10000 || fail "the program did not end"
}

run_scenario "$@"
