#!/usr/bin/env bash
# Builds what users download and shows it.
#
#   tools/release.sh
#       build/windows/release/: Tavelin-<version>-win64.zip (one folder, Tavelin-<version>/, with
#       tavelin.exe and its sibling files), SHA256SUMS (the zip and every file in it) and
#       BUILDINFO (the commit, SOURCE_DATE_EPOCH and the toolchain's packages). The build makes
#       these on every run (CMake target tavelin_release); this script builds that target. This
#       release is unsigned and the same commit always gives the same bytes.
#
#   TAVELIN_SIGN_PFX=key.p12 TAVELIN_SIGN_PASSWORD=... [TAVELIN_SIGN_TIMESTAMP_URL=...] tools/release.sh
#       also build/windows/release-signed/: the same release with tavelin.exe signed
#       (Authenticode, tools/sign-release.sh), its SHA256SUMS and the same BUILDINFO. The key is
#       checked before anything is built; a key that does not open, is not RSA, a certificate
#       not made for code signing, a time-stamp server that does not answer within
#       TAVELIN_SIGN_TIMESTAMP_TIMEOUT seconds (180 unless set) or any failure in signing stops
#       the release with the reason, and release-signed/ then does not exist.
#
# A signed release of an earlier run (release-signed/) is removed first, whether this run signs
# or not and before anything can stop it; a release-signed/ that holds anything a release does
# not write, or the signing key, stops the run and is left as it is.
#
# Entries are dated SOURCE_DATE_EPOCH when it is set, otherwise the time of the commit built;
# tools/package.py names the values it accepts, and a run with any other stops before building.
set -euo pipefail
# The password stays in this shell: only the two signing steps get it in their environment.
export -n TAVELIN_SIGN_PASSWORD
# The key as the caller named it, before the working folder changes.
[ -z "${TAVELIN_SIGN_PFX:-}" ] || TAVELIN_SIGN_PFX=$(realpath -m -- "$TAVELIN_SIGN_PFX")
cd "$(dirname "$0")/.."
signed_dir=build/windows/release-signed

stop() {
  echo "release stopped: $*" >&2
  exit 1
}

# with_password COMMAND...: COMMAND with TAVELIN_SIGN_PASSWORD in its environment, when it is set.
with_password() {
  if [ -n "${TAVELIN_SIGN_PASSWORD+set}" ]; then
    TAVELIN_SIGN_PASSWORD=$TAVELIN_SIGN_PASSWORD "$@"
  else
    "$@"
  fi
}

# A signed release of an earlier run never stands beside this run's release.
tools/sign-release.sh clear "$signed_dir"

signing=0
if [ -n "${TAVELIN_SIGN_PFX:-}" ]; then
  signing=1
elif [ -n "${TAVELIN_SIGN_PASSWORD:-}" ] || [ -n "${TAVELIN_SIGN_TIMESTAMP_URL:-}" ]; then
  stop "TAVELIN_SIGN_PASSWORD or TAVELIN_SIGN_TIMESTAMP_URL is set, but no key (TAVELIN_SIGN_PFX)"
fi

tools/setup.sh
reason=$(python3 tools/package.py --check-date 2>&1) || stop "$reason"
if [ "$signing" = 1 ]; then
  with_password tools/sign-release.sh check >/dev/null
fi

cmake --preset windows >/dev/null
cmake --build --preset windows --target tavelin_release >/dev/null

shown=build/windows/release
if [ "$signing" = 1 ]; then
  with_password tools/sign-release.sh sign build/windows/release "$signed_dir"
  shown=$signed_dir
fi
# Signing has had the password; nothing after it gets it.
unset TAVELIN_SIGN_PASSWORD
cd "$shown"
for zip in *.zip; do python3 -m zipfile -l "$zip"; done
echo
cat SHA256SUMS
echo
cat BUILDINFO
echo
echo "in $PWD"
