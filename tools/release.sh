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
#       checked before anything is built; a key that does not open, a certificate not made for
#       code signing or any failure in signing stops the release with the reason, and
#       release-signed/ then does not exist.
#
# Entries are dated SOURCE_DATE_EPOCH when it is set, otherwise the time of the commit built.
set -euo pipefail
# The key as the caller named it, before the working folder changes.
[ -z "${TAVELIN_SIGN_PFX:-}" ] || TAVELIN_SIGN_PFX=$(realpath -m -- "$TAVELIN_SIGN_PFX")
cd "$(dirname "$0")/.."
signed_dir=build/windows/release-signed

# Everything but the signing step runs without the password in its environment.
no_password() { env -u TAVELIN_SIGN_PASSWORD "$@"; }

signing=0
if [ -n "${TAVELIN_SIGN_PFX:-}" ]; then
  signing=1
elif [ -n "${TAVELIN_SIGN_PASSWORD:-}" ] || [ -n "${TAVELIN_SIGN_TIMESTAMP_URL:-}" ]; then
  echo "release stopped: TAVELIN_SIGN_PASSWORD or TAVELIN_SIGN_TIMESTAMP_URL is set, but no key (TAVELIN_SIGN_PFX)" >&2
  exit 1
fi

no_password tools/setup.sh
# A signed release of an earlier run never stands beside this run's release.
rm -rf "$signed_dir"
if [ "$signing" = 1 ]; then
  tools/sign-release.sh check >/dev/null
fi

no_password cmake --preset windows >/dev/null
no_password cmake --build --preset windows --target tavelin_release >/dev/null

shown=build/windows/release
if [ "$signing" = 1 ]; then
  tools/sign-release.sh sign build/windows/release "$signed_dir"
  shown=$signed_dir
fi
cd "$shown"
for zip in *.zip; do python3 -m zipfile -l "$zip"; done
echo
cat SHA256SUMS
echo
cat BUILDINFO
echo
echo "in $PWD"
