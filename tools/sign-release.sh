#!/usr/bin/env bash
# Signs a release with Authenticode. tools/release.sh runs it; the end-to-end tests run it on a
# throwaway certificate.
#
#   tools/sign-release.sh check                      checks the key only
#   tools/sign-release.sh sign RELEASE-DIR OUT-DIR   signs RELEASE-DIR's release into OUT-DIR
#
# The key is the PKCS#12 file TAVELIN_SIGN_PFX, its password TAVELIN_SIGN_PASSWORD;
# TAVELIN_SIGN_TIMESTAMP_URL, when set, names an RFC 3161 time-stamp server. Both commands
# first check that the key opens with the password and that its certificate is made for code
# signing (extended key usage "Code Signing") and valid now.
#
# `sign` signs a copy of the tavelin.exe in RELEASE-DIR's zip (SHA-256, program name and home
# page in the signature), checks that removing the signature gives back the unsigned bytes and
# that the signed file's PE checksum is valid, and packs the signed exe with the zip's other files
# exactly as the build packs the unsigned ones (same folder, names, order and dates): OUT-DIR
# gets the signed zip, its SHA256SUMS and RELEASE-DIR's BUILDINFO. RELEASE-DIR is not changed.
#
# The password goes only into a file of mode 600 in a temporary folder outside the build, read
# by openssl and osslsigncode and removed on exit; it is on no command line and in no child's
# environment, and nothing is printed of it or of the key. OUT-DIR is removed first and made
# anew in one rename once everything has succeeded: after a failure it does not exist.
set -euo pipefail
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
  *) echo "usage: $0 check | sign RELEASE-DIR OUT-DIR" >&2; exit 2 ;;
esac

[ -n "${TAVELIN_SIGN_PFX:-}" ] || stop "TAVELIN_SIGN_PFX names no signing key"
[ -n "${TAVELIN_SIGN_PASSWORD+set}" ] ||
  stop "TAVELIN_SIGN_PASSWORD is not set (the password of the signing key $TAVELIN_SIGN_PFX)"
pfx=$TAVELIN_SIGN_PFX
for tool in openssl osslsigncode python3; do
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
  if [ -e "$out" ]; then
    # Only ever a release folder of an earlier run.
    for f in "$out"/* "$out"/.[!.]*; do
      [ -e "$f" ] || continue
      case "$(basename "$f")" in
        *.zip | SHA256SUMS | BUILDINFO) ;;
        *) stop "$out holds $(basename "$f"), which no signed release has; not replacing it" ;;
      esac
    done
    rm -rf "$out"
  fi
fi

work=$(umask 077 && mktemp -d -t tavelin-sign.XXXXXX)
staging=""
cleanup() {
  rm -rf "$work"
  [ -z "$staging" ] || rm -rf "$staging"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The password, from here on only in this file.
password_file=$work/password
(umask 077 && printf '%s' "$TAVELIN_SIGN_PASSWORD" >"$password_file")
empty_password=0
[ -n "$TAVELIN_SIGN_PASSWORD" ] || empty_password=1
unset TAVELIN_SIGN_PASSWORD

# openssl_pkcs12 ARGS...: openssl pkcs12 on the key with its password; a key in the older
# algorithms (RC2, 3DES, as older Windows exports them) is read through OpenSSL's legacy provider.
openssl_pkcs12() {
  local passin=file:$password_file
  [ "$empty_password" = 0 ] || passin=pass:
  if openssl pkcs12 -in "$pfx" -passin "$passin" "$@" </dev/null 2>"$work/openssl.err"; then
    return 0
  fi
  grep -qi unsupported "$work/openssl.err" || return 1
  openssl pkcs12 -legacy -in "$pfx" -passin "$passin" "$@" </dev/null 2>"$work/openssl.err"
}

# openssl's first error, without its thread and code.
openssl_reason() {
  grep -m1 -v '^$' "$work/openssl.err" | sed -E 's/^[0-9A-F]+:error:[0-9A-F]+://; s/:[^:]*\.c:[0-9]+:.*$//' || echo "no reason given"
}

# The key opens, holds a certificate with its private key, made for code signing and valid now.
check_key() {
  local certificate=$work/certificate.pem subject usage key_usage end
  [ -e "$pfx" ] || stop "the signing key $pfx (TAVELIN_SIGN_PFX) does not exist"
  [ -f "$pfx" ] || stop "the signing key $pfx (TAVELIN_SIGN_PFX) is not a file"
  head -c 1 "$pfx" >/dev/null 2>&1 || stop "the signing key $pfx (TAVELIN_SIGN_PFX) cannot be read"
  if ! openssl_pkcs12 -nokeys -clcerts -out "$certificate"; then
    if grep -qi "mac verify\|invalid password\|bad decrypt" "$work/openssl.err"; then
      stop "wrong password for the signing key $pfx (TAVELIN_SIGN_PASSWORD)"
    fi
    stop "the signing key $pfx is not a PKCS#12 file that openssl can read ($(openssl_reason))"
  fi
  grep -q "BEGIN CERTIFICATE" "$certificate" ||
    stop "the signing key $pfx holds no certificate together with its private key"
  subject=$(openssl x509 -in "$certificate" -noout -subject -nameopt oneline | sed 's/^subject= *//')
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
[ -z "${TAVELIN_SIGN_TIMESTAMP_URL:-}" ] || sign_options+=(-ts "$TAVELIN_SIGN_TIMESTAMP_URL")
if [ "$empty_password" = 1 ]; then pass_option=(-pass ""); else pass_option=(-readpass "$password_file"); fi
if ! osslsigncode sign -pkcs12 "$pfx" "${pass_option[@]}" "${sign_options[@]}" \
       -in "$unsigned" -out "$signed" </dev/null >"$work/sign.log" 2>&1; then
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
