#!/usr/bin/env bash
# What users download and what they may do with it. Usage: release.sh SCENARIO
#   zip              the release zip: its listing, its dates, SHA256SUMS; then unpacked into a
#                    fresh folder of a fresh prefix and run from there on an image-backed drive
#   siblings-closed  the sibling files can be opened exclusively by another program while the
#                    wait, result and About windows and the screen effect are up (the stick they
#                    sit on can be pulled while the result is read)
#   signed           the release signed (tools/sign-release.sh) with a throwaway code-signing
#                    certificate and time stamp made here: the signature verifies against its CA,
#                    tavelin.exe without it is the build's, the other files are the unsigned
#                    release's, the exe audit passes on the signed exe, and it runs from the
#                    signed zip unpacked into a fresh prefix; a wrong password and a certificate
#                    not made for code signing stop the signing and leave no release, and so does
#                    a time-stamp server that never answers, once its time is up; neither the
#                    password nor the key shows in any output
#   signing-keys     passwords that openssl reads from no file whole (lines, a trailing newline,
#                    5,000 bytes) and the empty one sign, and the signatures verify; an EC key is
#                    refused before anything is built
#   script-stops     tools/release.sh (a copy of the tools, stopping before it builds): the signed
#                    release of an earlier run is removed even when the run stops at once, but not
#                    a folder holding a user's file or the signing key; SOURCE_DATE_EPOCH that a zip
#                    cannot carry stops it, and the packer dates the first and last times it can
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
    ok "the zip matches SHA256SUMS before unpacking"
  else
    fail "the zip does not match SHA256SUMS"
  fi
  (cd "$download" && python3 -m zipfile -e "$(basename "$zip")" .) || fail "the zip did not unpack"
  if (cd "$download" && sha256sum --quiet --strict -c SHA256SUMS); then
    ok "every unpacked file matches SHA256SUMS"
  else
    fail "unpacked files do not match SHA256SUMS"
  fi
  # A corrupted download must not pass.
  printf 'x' >>"$download/$folder/$SIBLING_README" || fail "the download could not be changed"
  if (cd "$download" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1); then
    fail "a changed file still passes sha256sum -c"
  else
    ok "a changed file fails the check"
  fi
}

# open_alone_all WHEN WINDOWS-FOLDER: each sibling file opens with no sharing, from another
# process (one driver run for all of them, so that a window's checks take a moment only).
open_alone_all() {
  local when=$1 dir=$2 f paths=()
  for f in "${SIBLINGS[@]}"; do paths+=("$dir\\$f"); done
  ask open-alone "${paths[@]}"
  for f in "${SIBLINGS[@]}"; do
    expect "$when: $f is not held open" "${ANSWER[$dir\\$f]:-no answer}" "ok"
  done
}

scenario_zip() {
  local folder
  check_zip
  # A fresh prefix of its own, on the lane's display.
  fresh_prefix release
  expect "the fresh prefix draws title-bar buttons with Marlett" "$(answer face Marlett)" "Marlett"

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
  wine "$TAVELIN_DRIVER" hold "$dir\\$SIBLING_LICENCE" 3000 >"$E2E_TMP/holder.out" 2>&1 </dev/null &
  holder=$!
  tav_until 10 grep -q held "$E2E_TMP/holder.out"
  ask open-alone "$dir\\$SIBLING_LICENCE"
  expect "a file held by another program is reported (sharing violation)" "${ANSWER[$dir\\$SIBLING_LICENCE]:-}" "error 32"
  wait "$holder"
  open_alone_all "before the run" "$dir"

  tavelin_start $(shim_env TAVELIN_SHIM_SLEEP_MS=3000) -- S:
  # The clip is read when the wait window loads, before it shows. (The player's frame count is
  # not asked for now: the window's thread is blocked in the flush and answers only after it.)
  driver wait wait 30000 || fail "no wait window"
  if driver wait result 10 2>/dev/null; then
    fail "the result came before the wait window could be checked"
  else
    open_alone_all "wait window during the flush" "$dir"
    driver wait result 10 2>/dev/null && fail "the flush ended before the wait window's checks did"
  fi

  driver wait result 60000 || fail "no result window"
  frames=$(answer frames)
  [ "${frames:-0}" -gt 0 ] || fail "the wait window's clip never played (${frames:-no} frames)"
  open_alone_all "result window" "$dir"

  driver click result info
  driver ready about 10000 || fail "no About window ready for input"
  # (Its clip paints from the player's thread: it plays once the screen shows it.)
  driver wait-colours about clip gt 1 >/dev/null || fail "the About window's clip shows nothing"
  open_alone_all "About window, its clip playing" "$dir"

  click_control about effect
  if driver wait effect 10000; then
    open_alone_all "screen effect" "$dir"
    click_screen_centre
  else
    fail "the screen effect did not start"
  fi
  tavelin_wait; expect "exit code after the screen effect" "$TAV_RC" 0
}

# make_pki DIR PASSWORD: in DIR, a root CA (ca.pem), a code-signing certificate with its key in
# signer.p12, a TLS server certificate in tls.p12, a code-signing certificate with an EC key in
# ecsigner.p12 (all under PASSWORD), and a time-stamp authority (tsa.cnf for `openssl ts`). RSA
# keys of 2048 bits: made in a moment.
make_pki() {
  local dir=$1
  mkdir -p "$dir"
  (
    cd "$dir" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Tavelin Test Root" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" || exit 1
    # issue NAME EXTENDED-KEY-USAGE [NEW-KEY-OPTIONS...]
    issue() {
      local name=$1 usage=$2
      shift 2
      [ $# -gt 0 ] || set -- -newkey rsa:2048
      openssl req "$@" -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=Tavelin Test $name" &&
      printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,%s\n' "$usage" >"$name.ext" &&
      openssl x509 -req -in "$name.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile "$name.ext" -out "$name.pem"
    }
    issue signer codeSigning && issue tls serverAuth && issue tsa timeStamping &&
      issue ecsigner codeSigning -newkey ec -pkeyopt ec_paramgen_curve:P-256 || exit 1
    for name in signer tls ecsigner; do
      TAV_PKI_PASSWORD=$2 openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -certfile ca.pem \
        -passout env:TAV_PKI_PASSWORD -out "$name.p12" || exit 1
    done
    openssl pkey -in signer.key -outform DER -out signer.der
    echo 01 >tsa.serial
    printf '[tsa]\ndefault_tsa = this\n[this]\nserial = tsa.serial\nsigner_cert = tsa.pem\nsigner_key = tsa.key\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_alg = sha256\n' >tsa.cnf
  ) >"$dir/make.log" 2>&1
}

# start_tsa DIR [silent]: an RFC 3161 time-stamp server on this machine (openssl ts behind HTTP),
# or, `silent`, one that takes the request and never answers; its address in TSA_URL. Ended when
# the scenario ends.
start_tsa() {
  local dir=$1 port=$1/tsa${2:+-$2}.port pid
  (cd "$dir" && exec python3 -c '
import http.server, subprocess, sys, time
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        while sys.argv[1:] == ["silent"]:
            time.sleep(60)
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", "/dev/stdin",
                                "-out", "/dev/stdout"], input=query, capture_output=True).stdout
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args): pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamp)
print(server.server_address[1], flush=True)
server.serve_forever()' "${@:2}") >"$port" 2>"$dir/tsa.log" </dev/null &
  pid=$!
  on_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null"
  tav_until 20 test -s "$port"
  TSA_URL=http://127.0.0.1:$(cat "$port")/
}

# sign_release OUT PFX PASSWORD [NAME=VALUE...]: tools/sign-release.sh on the build's release into
# OUT (`check` only when OUT is "check"), given a minute at most; its output (both streams) in
# OUT.log; its exit code returned.
sign_release() {
  local out=$1 pfx=$2 password=$3 command
  shift 3
  command=(sign "$(dirname "$TAVELIN_RELEASE_ZIP")" "$out")
  [ "$out" != check ] || { command=(check); out=$E2E_TMP/check; }
  timeout -k 5 60 env TMPDIR="$E2E_TMP/tmp" TAVELIN_SIGN_PFX="$pfx" TAVELIN_SIGN_PASSWORD="$password" "$@" \
    bash "$TAVELIN_SOURCE/tools/sign-release.sh" "${command[@]}" >"$out.log" 2>&1 </dev/null
}

# shows_secret FILE...: whether any of the files holds the password (or a line of it) or the
# signing key's bytes.
shows_secret() {
  python3 - "$PASSWORD" "$PKI/signer.der" "$PKI/signer.key" "$PKI/signer.p12" "$@" <<'PY'
import sys
password, der, pem, p12 = sys.argv[1].encode(), *(open(f, "rb").read() for f in sys.argv[2:5])
# The key as its raw bytes and as a line of its PEM text.
secrets = [p for p in [password, *password.splitlines()] if len(p) >= 8]
secrets += [der[-64:], pem.splitlines()[5], p12[-64:]]
sys.exit(0 if any(s in open(f, "rb").read() for f in sys.argv[5:] for s in secrets) else 1)
PY
}

scenario_signed() {
  local release signed=$E2E_TMP/signed unpacked=$E2E_TMP/unpacked folder=$TAVELIN_RELEASE_FOLDER rc
  release=$(dirname "$TAVELIN_RELEASE_ZIP")
  PKI=$E2E_TMP/pki
  PASSWORD="pw $(openssl rand -hex 12)"
  mkdir -p "$E2E_TMP/tmp"
  make_pki "$PKI" "$PASSWORD" || { cat "$PKI/make.log"; fail "no throwaway certificates"; return; }
  start_tsa "$PKI"

  sign_release "$signed" "$PKI/signer.p12" "$PASSWORD" TAVELIN_SIGN_TIMESTAMP_URL="$TSA_URL"
  rc=$?
  expect "signing with a code-signing certificate and a time stamp succeeds" "$rc" 0
  [ "$rc" = 0 ] || { cat "$signed.log"; return; }
  expect "the signed release: the zip, SHA256SUMS and BUILDINFO" "$(LC_ALL=C ls "$signed" | tr '\n' ' ')" \
    "BUILDINFO SHA256SUMS $(basename "$TAVELIN_RELEASE_ZIP") "
  (cd "$signed" && sha256sum --quiet -c --ignore-missing SHA256SUMS) || fail "the signed zip does not match its SHA256SUMS"
  python3 -m zipfile -e "$signed/$(basename "$TAVELIN_RELEASE_ZIP")" "$unpacked" || fail "the signed zip did not unpack"
  (cd "$unpacked" && sha256sum --quiet --strict -c <(grep '/' "$signed/SHA256SUMS")) ||
    fail "the signed zip's files do not match its SHA256SUMS"

  local exe=$unpacked/$folder/tavelin.exe verified
  verified=$(osslsigncode verify -CAfile "$PKI/ca.pem" -TSA-CAfile "$PKI/ca.pem" -in "$exe" 2>&1)
  expect "the signature verifies against the throwaway CA" "$?" 0
  grep -q "Signature verification: ok" <<<"$verified" || fail "no verified signature: $verified"
  grep -q "Timestamp Server Signature verification: ok" <<<"$verified" || fail "no verified time stamp"
  grep -q "Text description: Tavelin" <<<"$verified" || fail "the signature does not name the program"
  grep -q "URL description: https://tavelin.example.org/" <<<"$verified" || fail "the signature does not name the home page"
  # Against the system's CAs, which do not know the throwaway root, it must not.
  osslsigncode verify -in "$exe" >/dev/null 2>&1 && fail "the signature verifies without its CA"

  osslsigncode remove-signature -in "$exe" -out "$E2E_TMP/stripped.exe" >/dev/null 2>&1 || fail "the signature does not come off"
  if cmp -s "$E2E_TMP/stripped.exe" "$TAVELIN_DIST/tavelin.exe"; then
    ok "without its signature the signed tavelin.exe is the build's"
  else
    fail "without its signature the signed tavelin.exe differs from the build's"
  fi
  expect "the other files are the unsigned release's" \
    "$(grep -v -e '\.zip$' -e '/tavelin\.exe$' "$signed/SHA256SUMS")" "$(grep -v -e '\.zip$' -e '/tavelin\.exe$' "$release/SHA256SUMS")"
  cmp -s "$signed/BUILDINFO" "$release/BUILDINFO" || fail "BUILDINFO differs from the unsigned release's"

  # The header, sections, imports, run-from-swap flag and checksum of the exe as signed.
  local audit
  if audit=$(TAVELIN_AUDITED_EXE=$(winpath "$exe") timeout 120 wine "$TAVELIN_EXE_AUDIT" \
               --gtest_filter='TavelinExe.*:Resources.*' </dev/null 2>&1 | tr -d '\r') &&
     grep -q '^\[  PASSED  \] [1-9][0-9]* tests' <<<"$audit"; then
    ok "the exe audit passes on the signed tavelin.exe"
  else
    fail "the exe audit on the signed tavelin.exe"
    grep -E 'Failure|FAILED|PASSED|Value of|Expected|Actual' <<<"$audit" | head -20
  fi

  expect "no password or key in the signing output or the signed release" \
    "$(shows_secret "$signed.log" "$signed"/* "$unpacked/$folder"/* && echo shown)" ""
  expect "nothing left in the temporary folder" "$(ls -A "$E2E_TMP/tmp")" ""

  # A user's run of the signed release, unpacked into a fresh prefix.
  fresh_prefix signed
  mkdir -p "$WINEPREFIX/drive_c/Downloads"
  cp -r "$unpacked/$folder" "$WINEPREFIX/drive_c/Downloads/"
  truncate -s 8M "$E2E_TMP/signed-stick.img"
  ln -sfn "$E2E_TMP/signed-stick.img" "$WINEPREFIX/dosdevices/u::"
  EXE="C:\\Downloads\\$folder\\tavelin.exe" \
    run_with_clip "from the signed release" $(shim_env TAVELIN_SHIM_PATH=signed-stick.img TAVELIN_SHIM_SLEEP_MS=1500) -- U:

  # What must stop the signing, each after a signed release stood in the same place.
  local why started
  start_tsa "$PKI" silent
  for why in "wrong password" "not made for code signing" "did not answer within 3 s"; do
    sign_release "$signed" "$PKI/signer.p12" "$PASSWORD" >/dev/null || fail "signing again failed"
    started=$SECONDS
    case "$why" in
      wrong*) sign_release "$signed" "$PKI/signer.p12" "not $PASSWORD" ;;
      not*) sign_release "$signed" "$PKI/tls.p12" "$PASSWORD" ;;
      *) sign_release "$signed" "$PKI/signer.p12" "$PASSWORD" TAVELIN_SIGN_TIMESTAMP_URL="$TSA_URL" \
           TAVELIN_SIGN_TIMESTAMP_TIMEOUT=3 ;;
    esac
    rc=$?
    expect "$why: the signing stops in time" "$([ "$rc" != 0 ] && [ $((SECONDS - started)) -lt 15 ] && echo stopped)" stopped
    grep -q "^release stopped: .*$why" "$signed.log" || { fail "$why: no message naming the cause"; cat "$signed.log"; }
    expect "$why: no release is left" "$(ls -d "$signed" 2>/dev/null)" ""
    expect "$why: nothing of the password or key in the output" "$(shows_secret "$signed.log" && echo shown)" ""
  done
  expect "nothing left in the temporary folder after the failures" "$(ls -A "$E2E_TMP/tmp")" ""
}

# signs_and_verifies WHAT PFX PASSWORD: the build's release signed with the key, and the signed
# tavelin.exe verifies against the throwaway CA; nothing of the password shows.
signs_and_verifies() {
  local out=$E2E_TMP/signed-${1// /-} exe
  PASSWORD=$3
  sign_release "$out" "$2" "$3" || { fail "$1: the signing failed"; sed -n '/^release stopped/p' "$out.log"; return; }
  python3 -m zipfile -e "$out/$(basename "$TAVELIN_RELEASE_ZIP")" "$out.unpacked" || fail "$1: the signed zip did not unpack"
  exe=$out.unpacked/$TAVELIN_RELEASE_FOLDER/tavelin.exe
  if osslsigncode verify -CAfile "$PKI/ca.pem" -in "$exe" 2>&1 | grep -q "Signature verification: ok"; then
    ok "$1: signed, and the signature verifies"
  else
    fail "$1: the signature does not verify"
  fi
  expect "$1: nothing of the password in the output or the release" "$(shows_secret "$out.log" "$out"/* "$exe" && echo shown)" ""
}

scenario_signing_keys() {
  local base name password lines
  PKI=$E2E_TMP/pki
  base="pw $(openssl rand -hex 12)"
  mkdir -p "$E2E_TMP/tmp"
  make_pki "$PKI" "$base" || { cat "$PKI/make.log"; fail "no throwaway certificates"; return; }

  # Passwords that a password file gives openssl only in part (up to the first newline, at most
  # 1,023 bytes) and osslsigncode without a trailing newline or beyond 4,095 bytes.
  lines="first line $(openssl rand -hex 8)"$'\n'"second line $(openssl rand -hex 8)"$'\n'
  for name in lines long empty; do
    case "$name" in
      lines) password=$lines ;;
      long) password=$(openssl rand -hex 2500) ;;
      empty) password="" ;;
    esac
    TAV_PKI_PASSWORD=$password openssl pkcs12 -export -inkey "$PKI/signer.key" -in "$PKI/signer.pem" \
      -certfile "$PKI/ca.pem" -passout env:TAV_PKI_PASSWORD -out "$PKI/$name.p12" || fail "$name: no key"
    signs_and_verifies "a password of $name" "$PKI/$name.p12" "$password"
  done
  # Every byte counts: the same password without its last newline is another.
  PASSWORD=$lines
  sign_release "$E2E_TMP/cut" "$PKI/lines.p12" "${lines%$'\n'}"
  grep -q "^release stopped: wrong password" "$E2E_TMP/cut.log" || fail "the password without its last newline opens the key"
  expect "no release with the wrong password" "$(ls -d "$E2E_TMP/cut" 2>/dev/null)" ""

  # Smart App Control accepts only RSA signatures: `check`, run before the build, refuses an EC key.
  PASSWORD=$base
  sign_release check "$PKI/ecsigner.p12" "$base"
  expect "an EC key stops the check" "$?" 1
  grep -q "^release stopped: the signing key in .*ecsigner.p12 is not RSA (EC prime256v1): Windows 11's Smart App Control accepts only RSA signatures$" \
    "$E2E_TMP/check.log" || { fail "no message that the key is not RSA"; cat "$E2E_TMP/check.log"; }
  sign_release check "$PKI/signer.p12" "$base"
  expect "the RSA key passes the check" "$?" 0
  expect "nothing of the password or key in the checks' output" "$(shows_secret "$E2E_TMP/check.log" "$E2E_TMP/cut.log" && echo shown)" ""
  expect "nothing left in the temporary folder" "$(ls -A "$E2E_TMP/tmp")" ""
}

# release_run NAME=VALUE...: tools/release.sh of a copy of the tools in $REPO (whose build folder
# has no build: a run that gets past its checks fails at once), with only the given signing and
# date variables; its output (both streams) in $REPO.log; its exit code returned.
release_run() {
  timeout -k 5 60 env -u TAVELIN_SIGN_PFX -u TAVELIN_SIGN_PASSWORD -u TAVELIN_SIGN_TIMESTAMP_URL \
    -u SOURCE_DATE_EPOCH "$@" bash "$REPO/tools/release.sh" >"$REPO.log" 2>&1 </dev/null
}

# stale_release: build/windows/release-signed/ as an earlier run left it.
stale_release() {
  local dir=$REPO/build/windows/release-signed
  mkdir -p "$dir" && echo zip >"$dir/Tavelin-2.9.0-win64.zip" && echo sums >"$dir/SHA256SUMS" && echo info >"$dir/BUILDINFO"
}

scenario_script_stops() {
  local signed why setting listed
  REPO=$E2E_TMP/repo
  signed=$REPO/build/windows/release-signed
  mkdir -p "$REPO" && cp -r "$TAVELIN_SOURCE/tools" "$REPO/" || { fail "no copy of the tools"; return; }

  # Runs that stop before anything is built: the earlier signed release is gone all the same.
  for why in "but no key|TAVELIN_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/" "is '1e9'|SOURCE_DATE_EPOCH=1e9" \
             "is '-1'|SOURCE_DATE_EPOCH=-1" "is '4354819200'|SOURCE_DATE_EPOCH=4354819200"; do
    setting=${why#*|}
    why=${why%%|*}
    stale_release
    release_run "$setting"
    expect "$setting: the run stops" "$?" 1
    grep -q "^release stopped: .*$why" "$REPO.log" || { fail "$setting: no message naming the cause"; cat "$REPO.log"; }
    expect "$setting: the earlier signed release is gone" "$([ -e "$signed" ] && echo left)" ""
  done
  grep -q "^release stopped: SOURCE_DATE_EPOCH is '4354819200', but it must be a number of seconds since 1970-01-01 00:00:00 UTC in decimal digits, from 0 to 4354819199 " \
    "$REPO.log" || fail "the message does not name the times accepted"

  # A user's file, or a folder under a release file's name, in that folder: nothing is removed.
  for why in notes.txt BUILDINFO; do
    stale_release
    case "$why" in
      BUILDINFO) rm "$signed/BUILDINFO" && mkdir "$signed/BUILDINFO" && echo mine >"$signed/BUILDINFO/notes.txt" ;;
      *) echo mine >"$signed/$why" ;;
    esac
    listed=$(cd "$signed" && find . | sort)
    release_run
    expect "$why of a user's: the run stops" "$?" 1
    grep -q "^release stopped: .*release-signed holds $why, which a release does not write" "$REPO.log" ||
      { fail "$why of a user's: no message naming it"; cat "$REPO.log"; }
    expect "$why of a user's: the folder is left as it was" "$(cd "$signed" && find . | sort)" "$listed"
    rm -rf "$signed"
  done

  # The signing key in that folder, under a release file's name, named through a link elsewhere.
  stale_release
  head -c 2048 /dev/urandom >"$signed/SHA256SUMS" && cp "$signed/SHA256SUMS" "$E2E_TMP/key.copy"
  ln -s "$signed/SHA256SUMS" "$E2E_TMP/key.p12"
  release_run TAVELIN_SIGN_PFX="$E2E_TMP/key.p12" TAVELIN_SIGN_PASSWORD=unused
  expect "a key in the folder: the run stops" "$?" 1
  grep -q "^release stopped: the signing key .*/release-signed/SHA256SUMS (TAVELIN_SIGN_PFX) lies in .*release-signed, which the release replaces" \
    "$REPO.log" || { fail "a key in the folder: no message naming it"; cat "$REPO.log"; }
  cmp -s "$signed/SHA256SUMS" "$E2E_TMP/key.copy" || fail "the key in the folder is gone"
  expect "a key in the folder: the folder is left" "$(LC_ALL=C ls "$signed" | tr '\n' ' ')" "BUILDINFO SHA256SUMS Tavelin-2.9.0-win64.zip "

  # The first and last times the packer takes: before 1980 the entries carry 1980-01-01 (the
  # earliest a zip holds); the last second of 2107 is kept (in a zip's steps of two seconds).
  echo text >"$E2E_TMP/file.txt"
  for setting in "0|1980-01-01 00:00:00" "4354819199|2107-12-31 23:59:58"; do
    rm -rf "$E2E_TMP/pack"
    SOURCE_DATE_EPOCH=${setting%|*} python3 "$TAVELIN_SOURCE/tools/package.py" --folder F --zip F.zip \
      --out "$E2E_TMP/pack" "$E2E_TMP/file.txt" || fail "SOURCE_DATE_EPOCH=${setting%|*} is refused"
    expect "SOURCE_DATE_EPOCH=${setting%|*}: entries dated ${setting#*|}" \
      "$(zip_entries "$E2E_TMP/pack/F.zip" | cut -d'|' -f2 | sort -u)" "${setting#*|}"
  done
}

run_scenario "$@"
