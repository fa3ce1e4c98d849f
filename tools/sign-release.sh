#!/usr/bin/env bash
# Signs a release with Authenticode. tools/release.sh runs it; the end-to-end tests run it on a
# throwaway certificate.
#
#   tools/sign-release.sh check                      checks the key only
#   tools/sign-release.sh sign RELEASE-DIR OUT-DIR   signs RELEASE-DIR's release into OUT-DIR
#   tools/sign-release.sh clear OUT-DIR              removes the signed release in OUT-DIR
#
# The key is the PKCS#12 file TAVELIN_SIGN_PFX, its password TAVELIN_SIGN_PASSWORD;
# TAVELIN_SIGN_TIMESTAMP_URL, when set, names an RFC 3161 time-stamp server, which has
# TAVELIN_SIGN_TIMESTAMP_TIMEOUT seconds (180 unless set) to answer. `check` and `sign` first
# check that the key opens with the password, that it is an RSA key (Windows 11's Smart App
# Control accepts only RSA signatures) and that its certificate is made for code signing
# (extended key usage "Code Signing") and valid now.
#
# `sign` signs a copy of the tavelin.exe in RELEASE-DIR's zip (SHA-256, program name and home
# page in the signature), checks that removing the signature gives back the unsigned bytes and
# that the signed file's PE checksum is valid, and packs the signed exe with the zip's other files
# exactly as the build packs the unsigned ones (same folder, names, order and dates): OUT-DIR
# gets the signed zip, its SHA256SUMS and RELEASE-DIR's BUILDINFO. RELEASE-DIR is not changed.
#
# OUT-DIR (`sign` and `clear`) is removed first and, by `sign`, made anew in one rename once
# everything has succeeded: after a failure it does not exist. Only what a release writes is
# ever removed: a zip named Tavelin-*-win64.zip (or -win32), SHA256SUMS and BUILDINFO. A folder
# that holds anything else, or that holds the signing key, is left as it is and stops the run.
#
# Every password that an environment variable can hold works, whatever its bytes and length: the
# whole password goes through a pipe to OpenSSL's library, which opens the key. openssl and
# osslsigncode would cut it short (`-passin file:` reads up to the first newline, at most 1,023
# bytes; `-readpass` at most 4,095 bytes, less trailing newlines and a leading UTF-8 byte order
# mark): they read a copy of the key under a random password of 64 hex digits, in a temporary
# folder of mode 700 outside the build, removed on exit. The password is on no command line, in
# no child's environment and in no file, and nothing is printed of it or of the key.
set -euo pipefail
# From here on the password is in this shell only: no program started below has it.
password_set=${TAVELIN_SIGN_PASSWORD+set}
password=${TAVELIN_SIGN_PASSWORD-}
unset TAVELIN_SIGN_PASSWORD
here=$(cd "$(dirname "$0")" && pwd)
readonly home_page=https://tavelin.example.org/

stop() {
  echo "release stopped: $*" >&2
  exit 1
}

command=${1:-}
case "$command" in
  check) [ $# -eq 1 ] || stop "usage: $0 check" ;;
  sign) [ $# -eq 3 ] || stop "usage: $0 sign RELEASE-DIR OUT-DIR" ;;
  clear) [ $# -eq 2 ] || stop "usage: $0 clear OUT-DIR" ;;
  *) echo "usage: $0 check | sign RELEASE-DIR OUT-DIR | clear OUT-DIR" >&2; exit 2 ;;
esac

# is_release_file NAME: whether a release writes a file of that name.
is_release_file() {
  case "$1" in
    Tavelin-*-win64.zip | Tavelin-*-win32.zip | SHA256SUMS | BUILDINFO) return 0 ;;
  esac
  return 1
}

# clear_out DIR: removes DIR, a release of an earlier run, file by file. Whatever else is in it
# (a file of another name, a folder, a link), and the signing key wherever its path leads, is
# never removed: the run stops and DIR stays as it is.
clear_out() {
  local dir=$1 entry entries name
  [ -e "$dir" ] || [ -L "$dir" ] || return 0
  if [ ! -d "$dir" ] || [ -L "$dir" ]; then
    stop "$dir is not a folder that a release wrote; not replacing it"
  fi
  if [ -n "${TAVELIN_SIGN_PFX:-}" ]; then
    case "$(realpath -m -- "$TAVELIN_SIGN_PFX")" in
      "$(realpath -- "$dir")"/*)
        stop "the signing key $TAVELIN_SIGN_PFX (TAVELIN_SIGN_PFX) lies in $dir, which the release replaces; keep the key elsewhere" ;;
    esac
  fi
  shopt -s nullglob dotglob
  entries=("$dir"/*)
  shopt -u nullglob dotglob
  for entry in "${entries[@]}"; do
    name=$(basename "$entry")
    if [ -L "$entry" ] || [ ! -f "$entry" ] || ! is_release_file "$name"; then
      stop "$dir holds $name, which a release does not write; not replacing the folder (move $name elsewhere)"
    fi
  done
  rm -f -- "${entries[@]}"
  rmdir -- "$dir" || stop "$dir could not be removed"
}

if [ "$command" = clear ]; then
  clear_out "$2"
  exit 0
fi

[ -n "${TAVELIN_SIGN_PFX:-}" ] || stop "TAVELIN_SIGN_PFX names no signing key"
[ -n "$password_set" ] ||
  stop "TAVELIN_SIGN_PASSWORD is not set (the password of the signing key $TAVELIN_SIGN_PFX)"
pfx=$TAVELIN_SIGN_PFX
timestamp_limit=${TAVELIN_SIGN_TIMESTAMP_TIMEOUT:-180}
[[ "$timestamp_limit" =~ ^[1-9][0-9]{0,5}$ ]] ||
  stop "TAVELIN_SIGN_TIMESTAMP_TIMEOUT is \"$timestamp_limit\", not a number of seconds from 1 to 999999"
for tool in openssl osslsigncode python3 timeout; do
  command -v "$tool" >/dev/null || stop "$tool is not installed (tools/setup.sh installs it)"
done

# Nothing of a failed run remains: the output folder goes before anything else is tried.
out=""
if [ "$command" = sign ]; then
  release=$2
  out=$3
  [ -d "$release" ] || stop "no release folder $release"
  # The build's own post-link tool checks the signed file's checksum; the release folder lies in
  # the build's folder (cmake/release.cmake).
  pe_tool=$release/../host-tools/tavelin_pe_swaprun
  [ -x "$pe_tool" ] || stop "no $pe_tool: build the release first (tools/release.sh)"
  mkdir -p "$(dirname "$out")"
  [ "$(cd "$(dirname "$out")" && pwd)/$(basename "$out")" != "$(cd "$release" && pwd)" ] ||
    stop "the signed release cannot replace the unsigned one"
  clear_out "$out"
fi

work=$(umask 077 && mktemp -d -t tavelin-sign.XXXXXX)
staging=""
cleanup() {
  rm -rf "$work"
  [ -z "$staging" ] || rm -rf "$staging"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The key as openssl and osslsigncode read it: a copy under a password of their own.
key=$work/key.p12
key_password=$work/key.password

# open_key: OpenSSL's library (through Python's ctypes) opens the PKCS#12 file argv[1] with the
# password read whole from standard input and writes its key, certificate and chain anew to
# argv[2] (mode 600), under a random password that it writes to argv[3] (mode 600). Exit codes:
# 2 the password is wrong, 3 not a PKCS#12 file it can read (the reason on standard error), 4 no
# certificate with its private key, 5 no library.
IFS= read -r -d '' open_key_program <<'PY' || true
import ctypes, ctypes.util, os, secrets, sys

def give_up(code, reason=None):
    if reason:
        print(reason, file=sys.stderr)
    sys.exit(code)

source, key_out, password_out = sys.argv[1:]
password = sys.stdin.buffer.read()
try:
    crypto = ctypes.CDLL(ctypes.util.find_library("crypto") or "libcrypto.so.3")
except OSError as e:
    give_up(5, f"OpenSSL's library (libcrypto) cannot be loaded: {e}")

def function(name, result, *arguments):
    f = getattr(crypto, name)
    f.restype, f.argtypes = result, list(arguments)
    return f

P, INT, STRING = ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p
provider_load = function("OSSL_PROVIDER_load", P, P, STRING)
bio_from_bytes = function("BIO_new_mem_buf", P, STRING, INT)
read_pkcs12 = function("d2i_PKCS12_bio", P, P, P)
parse = function("PKCS12_parse", INT, P, STRING, ctypes.POINTER(P), ctypes.POINTER(P), ctypes.POINTER(P))
create = function("PKCS12_create", P, STRING, STRING, P, P, P, INT, INT, INT, INT, INT)
write_pkcs12 = function("i2d_PKCS12", INT, P, ctypes.POINTER(STRING))
next_error = function("ERR_get_error", ctypes.c_ulong)
reason_of = function("ERR_reason_error_string", STRING, ctypes.c_ulong)

def reasons():
    found = []
    while error := next_error():
        found.append((reason_of(error) or b"error %x" % error).decode(errors="replace"))
    return found

# Keys in the older algorithms (RC2, 3DES, as older Windows exports them) need the legacy provider.
provider_load(None, b"default")
provider_load(None, b"legacy")
with open(source, "rb") as f:
    data = f.read()
p12 = read_pkcs12(bio_from_bytes(data, len(data)), None)
if not p12:
    give_up(3, "; ".join(reasons()) or "no reason given")
key, certificate, chain = P(), P(), P()
if not parse(p12, password, ctypes.byref(key), ctypes.byref(certificate), ctypes.byref(chain)):
    found = reasons()
    if "mac verify failure" in found or "bad decrypt" in found:
        give_up(2)
    give_up(3, "; ".join(found) or "no reason given")
if not key.value or not certificate.value:
    give_up(4)
new_password = secrets.token_hex(32).encode()
copy = create(new_password, None, key, certificate, chain, 0, 0, 0, 0, 0)
size = write_pkcs12(copy, None) if copy else 0
if size <= 0:
    give_up(3, "; ".join(reasons()) or "the key could not be written anew")
buffer = ctypes.create_string_buffer(size)
write_pkcs12(copy, ctypes.byref(STRING(ctypes.addressof(buffer))))
for path, content in ((key_out, buffer.raw), (password_out, new_password)):
    with os.fdopen(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600), "wb") as f:
        f.write(content)
PY

# openssl_pkcs12 ARGS...: openssl pkcs12 on the key's copy.
openssl_pkcs12() {
  openssl pkcs12 -in "$key" -passin "file:$key_password" "$@" </dev/null 2>"$work/openssl.err"
}

# The key opens, holds an RSA key with its certificate, made for code signing and valid now.
check_key() {
  local certificate=$work/certificate.pem subject algorithm usage key_usage end rc=0
  [ -e "$pfx" ] || stop "the signing key $pfx (TAVELIN_SIGN_PFX) does not exist"
  [ -f "$pfx" ] || stop "the signing key $pfx (TAVELIN_SIGN_PFX) is not a file"
  head -c 1 "$pfx" >/dev/null 2>&1 || stop "the signing key $pfx (TAVELIN_SIGN_PFX) cannot be read"
  printf '%s' "$password" | python3 -c "$open_key_program" "$pfx" "$key" "$key_password" 2>"$work/open.err" || rc=$?
  password=""
  case $rc in
    0) ;;
    2) stop "wrong password for the signing key $pfx (TAVELIN_SIGN_PASSWORD)" ;;
    3) stop "the signing key $pfx is not a PKCS#12 file that OpenSSL can read ($(head -n1 "$work/open.err"))" ;;
    4) stop "the signing key $pfx holds no certificate together with its private key" ;;
    *) sed 's/^/  /' "$work/open.err" >&2; stop "the signing key $pfx could not be opened" ;;
  esac
  if ! openssl_pkcs12 -nokeys -clcerts -out "$certificate" || ! grep -q "BEGIN CERTIFICATE" "$certificate"; then
    stop "the signing key $pfx holds no certificate together with its private key"
  fi
  subject=$(openssl x509 -in "$certificate" -noout -subject -nameopt oneline | sed 's/^subject= *//')
  algorithm=$(openssl x509 -in "$certificate" -noout -text | sed -n 's/^ *Public Key Algorithm: *//p' | head -n1)
  if [ "$algorithm" != rsaEncryption ]; then
    [ "$algorithm" != id-ecPublicKey ] ||
      algorithm="EC $(openssl x509 -in "$certificate" -noout -text | sed -n 's/^ *ASN1 OID: *//p' | head -n1)"
    stop "the signing key in $pfx is not RSA (${algorithm:-unknown algorithm}): Windows 11's Smart App Control accepts only RSA signatures"
  fi
  usage=$(openssl x509 -in "$certificate" -noout -ext extendedKeyUsage 2>/dev/null | sed -n '2,$p' | xargs)
  case ", $usage," in
    *", Code Signing,"*) ;;
    ", ,") stop "the certificate \"$subject\" in $pfx is not made for code signing: it has no extended key usage, and Code Signing is required" ;;
    *) stop "the certificate \"$subject\" in $pfx is not made for code signing: its extended key usage is $usage, without Code Signing" ;;
  esac
  key_usage=$(openssl x509 -in "$certificate" -noout -ext keyUsage 2>/dev/null | sed -n '2,$p' | xargs)
  case ", $key_usage," in
    ", ,"|*", Digital Signature,"*) ;;
    *) stop "the certificate \"$subject\" in $pfx may not make signatures: its key usage is $key_usage, without Digital Signature" ;;
  esac
  if ! openssl x509 -in "$certificate" -noout -checkend 0 >/dev/null; then
    end=$(openssl x509 -in "$certificate" -noout -enddate | sed 's/^notAfter=//')
    stop "the certificate \"$subject\" in $pfx expired on $end"
  fi
  if [ "$(date -d "$(openssl x509 -in "$certificate" -noout -startdate | sed 's/^notBefore=//')" +%s)" -gt "$(date +%s)" ]; then
    stop "the certificate \"$subject\" in $pfx is not valid yet"
  fi
  echo "signing key: $(basename "$pfx"), certificate \"$subject\", valid until $(openssl x509 -in "$certificate" -noout -enddate | sed 's/^notAfter=//')"
}

check_key
[ "$command" = sign ] || exit 0

# ---------------------------------------------------------------------------------------------
# The release to sign: its one zip, SHA256SUMS and BUILDINFO (the epoch its entries carry).

zips=("$release"/*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || stop "no single release zip in $release"
zip=${zips[0]}
# A later run removes only files of the names a release has.
is_release_file "$(basename "$zip")" || stop "$zip is not named Tavelin-<version>-win64.zip (or -win32.zip)"
for f in SHA256SUMS BUILDINFO; do [ -f "$release/$f" ] || stop "no $f beside $zip"; done
(cd "$release" && sha256sum --quiet --strict -c --ignore-missing SHA256SUMS) ||
  stop "$zip does not match its SHA256SUMS"
epoch=$(sed -n 's/^source-date-epoch: \([0-9][0-9]*\)$/\1/p' "$release/BUILDINFO")
[ -n "$epoch" ] || stop "$release/BUILDINFO names no source-date-epoch"

unpacked=$work/unpacked
python3 -m zipfile -e "$zip" "$unpacked" || stop "$zip does not unpack"
folders=("$unpacked"/*)
[ ${#folders[@]} -eq 1 ] && [ -d "${folders[0]}" ] || stop "$zip does not hold one folder"
folder=$(basename "${folders[0]}")
unsigned=$unpacked/$folder/tavelin.exe
[ -f "$unsigned" ] || stop "$zip holds no $folder/tavelin.exe"

# ---------------------------------------------------------------------------------------------
# Sign a copy; the unsigned exe must come back when the signature is removed.

signed=$work/tavelin.exe
sign_options=(-h sha256 -n Tavelin -i "$home_page")
# osslsigncode waits for a time-stamp server's answer as long as the connection stays open.
limit=()
if [ -n "${TAVELIN_SIGN_TIMESTAMP_URL:-}" ]; then
  sign_options+=(-ts "$TAVELIN_SIGN_TIMESTAMP_URL")
  limit=(timeout --foreground -k 5 "$timestamp_limit")
fi
rc=0
"${limit[@]}" osslsigncode sign -pkcs12 "$key" -readpass "$key_password" "${sign_options[@]}" \
  -in "$unsigned" -out "$signed" </dev/null >"$work/sign.log" 2>&1 || rc=$?
if [ "${#limit[@]}" -gt 0 ] && { [ "$rc" = 124 ] || [ "$rc" = 137 ]; }; then
  stop "the time-stamp server $TAVELIN_SIGN_TIMESTAMP_URL did not answer within $timestamp_limit s (TAVELIN_SIGN_TIMESTAMP_TIMEOUT)"
elif [ "$rc" != 0 ]; then
  sed 's/^/  /' "$work/sign.log" >&2
  stop "osslsigncode could not sign tavelin.exe${TAVELIN_SIGN_TIMESTAMP_URL:+ (or get its time stamp from $TAVELIN_SIGN_TIMESTAMP_URL)}"
fi
osslsigncode remove-signature -in "$signed" -out "$work/stripped.exe" </dev/null >"$work/strip.log" 2>&1 ||
  { sed 's/^/  /' "$work/strip.log" >&2; stop "the signature cannot be removed from the signed tavelin.exe"; }
cmp -s "$work/stripped.exe" "$unsigned" ||
  stop "the signed tavelin.exe without its signature differs from the unsigned one"
"$pe_tool" --check "$signed" 2>/dev/null || stop "the signed tavelin.exe has no valid PE checksum"

# ---------------------------------------------------------------------------------------------
# Pack it as the build packs the unsigned release, and publish in one rename.

cp "$signed" "$unsigned"
staging=$(mktemp -d "$(dirname "$out")/.$(basename "$out").XXXXXX")
SOURCE_DATE_EPOCH=$epoch python3 "$here/package.py" --folder "$folder" --zip "$(basename "$zip")" \
  --out "$staging" "$unpacked/$folder"/* || stop "the signed release could not be packed"
cp "$release/BUILDINFO" "$staging/"
# Only the program and the zip may differ from the unsigned release.
diff <(grep -v -e ' [^/]*\.zip$' -e '/tavelin\.exe$' "$release/SHA256SUMS") \
     <(grep -v -e ' [^/]*\.zip$' -e '/tavelin\.exe$' "$staging/SHA256SUMS") >/dev/null ||
  stop "the signed release's other files differ from the unsigned release's"
chmod 755 "$staging"
mv -T "$staging" "$out"
staging=""
echo "signed: $folder/tavelin.exe (SHA-256${TAVELIN_SIGN_TIMESTAMP_URL:+, time-stamped by $TAVELIN_SIGN_TIMESTAMP_URL})"
