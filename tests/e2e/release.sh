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
#                    not made for code signing stop the signing and leave no release; neither the
#                    password nor the key shows in any output
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

# make_pki DIR PASSWORD: in DIR, a root CA (ca.pem), a code-signing certificate with its key in
# signer.p12, a TLS server certificate in tls.p12 (both under PASSWORD), and a time-stamp
# authority (tsa.cnf for `openssl ts`). Keys of 2048 bits: made in a moment.
make_pki() {
  local dir=$1
  mkdir -p "$dir"
  (
    cd "$dir" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Tavelin Test Root" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" || exit 1
    # issue NAME EXTENDED-KEY-USAGE
    issue() {
      openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Tavelin Test $1" &&
      printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=critical,%s\n' "$2" >"$1.ext" &&
      openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile "$1.ext" -out "$1.pem"
    }
    issue signer codeSigning && issue tls serverAuth && issue tsa timeStamping || exit 1
    for name in signer tls; do
      TAV_PKI_PASSWORD=$2 openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -certfile ca.pem \
        -passout env:TAV_PKI_PASSWORD -out "$name.p12" || exit 1
    done
    openssl pkey -in signer.key -outform DER -out signer.der
    echo 01 >tsa.serial
    printf '[tsa]\ndefault_tsa = this\n[this]\nserial = tsa.serial\nsigner_cert = tsa.pem\nsigner_key = tsa.key\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_alg = sha256\n' >tsa.cnf
  ) >"$dir/make.log" 2>&1
}

# start_tsa DIR: an RFC 3161 time-stamp server on this machine (openssl ts behind HTTP); its
# address in TSA_URL. Ended when the scenario ends.
start_tsa() {
  local dir=$1 pid
  (cd "$dir" && exec python3 -c '
import http.server, subprocess
class Stamp(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
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
server.serve_forever()') >"$dir/tsa.port" 2>"$dir/tsa.log" </dev/null &
  pid=$!
  on_exit "kill $pid 2>/dev/null; wait $pid 2>/dev/null"
  for _ in $(seq 400); do [ -s "$dir/tsa.port" ] && break; sleep 0.05; done
  TSA_URL=http://127.0.0.1:$(cat "$dir/tsa.port")/
}

# sign_release OUT PFX PASSWORD [NAME=VALUE...]: tools/sign-release.sh on the build's release into
# OUT; its output (both streams) in OUT.log; its exit code returned.
sign_release() {
  local out=$1 pfx=$2 password=$3
  shift 3
  env TMPDIR="$E2E_TMP/tmp" TAVELIN_SIGN_PFX="$pfx" TAVELIN_SIGN_PASSWORD="$password" "$@" \
    bash "$TAVELIN_SOURCE/tools/sign-release.sh" sign "$(dirname "$TAVELIN_RELEASE_ZIP")" "$out" \
    >"$out.log" 2>&1 </dev/null
}

# shows_secret FILE...: whether any of the files holds the password or the signing key's bytes.
shows_secret() {
  python3 - "$PASSWORD" "$PKI/signer.der" "$PKI/signer.key" "$PKI/signer.p12" "$@" <<'PY'
import sys
password, der, pem, p12 = sys.argv[1].encode(), *(open(f, "rb").read() for f in sys.argv[2:5])
# The key as its raw bytes and as a line of its PEM text.
secrets = [password, der[-64:], pem.splitlines()[5], p12[-64:]]
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
    echo "ok: without its signature the signed tavelin.exe is the build's"
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
    echo "ok: the exe audit passes on the signed tavelin.exe"
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
  local why
  for why in "wrong password" "not made for code signing"; do
    sign_release "$signed" "$PKI/signer.p12" "$PASSWORD" >/dev/null || fail "signing again failed"
    if [ "$why" = "wrong password" ]; then
      sign_release "$signed" "$PKI/signer.p12" "not $PASSWORD"
    else
      sign_release "$signed" "$PKI/tls.p12" "$PASSWORD"
    fi
    rc=$?
    expect "$why: the signing stops" "$([ "$rc" != 0 ] && echo stopped)" stopped
    grep -q "^release stopped: .*$why" "$signed.log" || { fail "$why: no message naming the cause"; cat "$signed.log"; }
    expect "$why: no release is left" "$(ls -d "$signed" 2>/dev/null)" ""
    expect "$why: nothing of the password or key in the output" "$(shows_secret "$signed.log" && echo shown)" ""
  done
}

run_scenario "$@"
