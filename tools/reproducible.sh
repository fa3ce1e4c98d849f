#!/usr/bin/env bash
# Checks that a commit builds to the same bytes, and that a published release is what its
# commit builds.
#
#   tools/reproducible.sh [COMMIT]
#       Two clean clones, in folders of different names and depths, built one after the other
#       under different time zones and umasks, must give byte-identical tavelin.exe, sibling
#       files, release zip, SHA256SUMS and BUILDINFO.
#
#   tools/reproducible.sh --release ZIP [COMMIT]
#       A downloaded release, signed or not, against one clean build of its commit (default: the
#       commit its BUILDINFO names, beside the zip; else HEAD), dated as its BUILDINFO says:
#       every file in the zip must be the build's, tavelin.exe once its signature is removed
#       (osslsigncode remove-signature), and the zip must be exactly what the build's packer
#       makes of those files with that tavelin.exe. SHA256SUMS beside the zip, when there, must
#       match. Differences between the toolchain BUILDINFO names and this machine's are shown.
#
# Uncommitted changes are not built. Prints each build's time and the SHA-256 of every compared
# file; exit code 0 when all match.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

release_zip=""
if [ "${1:-}" = --release ]; then
  [ $# -ge 2 ] || { echo "usage: $0 --release ZIP [COMMIT]" >&2; exit 2; }
  release_zip=$(realpath "$2")
  [ -f "$release_zip" ] || { echo "no file $2" >&2; exit 2; }
  shift 2
fi

tools/setup.sh
[ -z "$(git status --porcelain)" ] || echo "note: the working tree has uncommitted changes; they are not built"

work=$(mktemp -d -t tavelin-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT

# build DIR TZ UMASK: a clean clone of $commit in DIR, built as a user's download.
build() {
  local dir=$1 start=$SECONDS
  mkdir -p "$(dirname "$dir")"
  git clone -q --no-checkout "$repo" "$dir"
  git -C "$dir" -c advice.detachedHead=false checkout -q "$commit"
  (
    cd "$dir"
    umask "$3"
    export TZ=$2
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target tavelin_release >/dev/null
  )
  echo "built $dir in $((SECONDS - start)) s (TZ=$2, umask $3)"
}

# released_names RELEASE-DIR: the names of the files in the release's zip, as its SHA256SUMS
# lists them.
released_names() { sed -n 's|^[0-9a-f]\{64\}  [^/]*/\(.*\)$|\1|p' "$1/SHA256SUMS"; }

# verdict A B: "identical", or how B differs from A (a missing B counts as a difference).
verdict() {
  if [ -f "$2" ] && cmp -s "$1" "$2"; then
    echo identical
  elif [ -f "$2" ] && [ "$(stat -c %s "$1")" != "$(stat -c %s "$2")" ]; then
    echo "DIFFERENT (sizes $(stat -c %s "$1") and $(stat -c %s "$2"))"
  elif [ -f "$2" ]; then
    echo "DIFFERENT ($(cmp -l "$1" "$2" | wc -l) bytes differ)"
  else
    echo "MISSING"
  fi
}

different=0
# compare WHAT A B: prints A's SHA-256, WHAT and the verdict on B.
compare() {
  local result
  result=$(verdict "$2" "$3")
  [ "$result" = identical ] || different=1
  printf '%s  %-32s %s\n' "$(sha256sum "$2" | cut -c1-64)" "$1" "$result"
}

# ---------------------------------------------------------------------------------------------
if [ -z "$release_zip" ]; then
  commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
  first=$work/a/tavelin
  second=$work/second-build/in/a/deeper/folder/tavelin-clone
  echo "== commit $commit"
  build "$first" UTC 022
  build "$second" Pacific/Kiritimati 077

  echo "== SHA-256 of the first build, and whether the second is identical"
  release=build/windows/release
  while read -r name; do
    compare "$name" "$first/build/windows/$name" "$second/build/windows/$name"
  done < <(released_names "$first/$release")
  for f in "$first/$release"/*; do
    compare "release/$(basename "$f")" "$f" "$second/$release/$(basename "$f")"
  done
  if [ "$different" = 0 ]; then echo "reproducible: yes"; else echo "reproducible: NO"; exit 1; fi
  exit 0
fi

# ---------------------------------------------------------------------------------------------
# A published release against its commit.

download=$(dirname "$release_zip")
buildinfo=$download/BUILDINFO
[ -f "$buildinfo" ] || buildinfo=""
named=""
[ -z "$buildinfo" ] || named=$(sed -n 's/^commit: //p' "$buildinfo")
if [ $# -ge 1 ]; then
  commit=$(git rev-parse --verify "$1^{commit}")
elif [ -n "$named" ]; then
  case "$named" in
    *" "*) echo "BUILDINFO says the release was built from uncommitted changes ($named): it cannot be rebuilt" >&2; exit 1 ;;
  esac
  commit=$(git rev-parse --verify "$named^{commit}") ||
    { echo "commit $named (from BUILDINFO) is not in this repository; fetch it or name a commit" >&2; exit 1; }
else
  commit=$(git rev-parse --verify "HEAD^{commit}")
fi
if [ -n "$buildinfo" ]; then
  epoch=$(sed -n 's/^source-date-epoch: //p' "$buildinfo")
  [ -n "$epoch" ] && export SOURCE_DATE_EPOCH=$epoch
fi

echo "== $release_zip against commit $commit${SOURCE_DATE_EPOCH:+, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH}"
if [ -f "$download/SHA256SUMS" ]; then
  if (cd "$download" && sha256sum --quiet --strict -c --ignore-missing SHA256SUMS); then
    echo "the zip matches SHA256SUMS beside it"
  else
    echo "the zip does NOT match SHA256SUMS beside it"
    different=1
  fi
fi

built=$work/build/tavelin
build "$built" UTC 022
ours=$built/build/windows/release

if [ -n "$buildinfo" ]; then
  # The toolchain that built the release against this one: a difference may explain different bytes.
  if ! diff -q <(grep -v '^commit:' "$buildinfo") <(grep -v '^commit:' "$ours/BUILDINFO") >/dev/null; then
    echo "note: the release was built with another toolchain than this machine's (< release, > here):"
    diff <(grep -v '^commit:' "$buildinfo") <(grep -v '^commit:' "$ours/BUILDINFO") | grep '^[<>]' | sed 's/^/  /' || true
  fi
fi

unpacked=$work/download
python3 -m zipfile -e "$release_zip" "$unpacked"
folders=("$unpacked"/*)
if [ ${#folders[@]} -ne 1 ] || [ ! -d "${folders[0]}" ]; then
  echo "the zip does not hold one folder: not a Tavelin release"
  exit 1
fi
folder=$(basename "${folders[0]}")

echo "== SHA-256 of the release's files, and whether they are the build's"
for f in "$unpacked/$folder"/*; do
  name=$(basename "$f")
  released_names "$ours" | grep -qxF "$name" ||
    { printf '%s  %-32s %s\n' "$(sha256sum "$f" | cut -c1-64)" "$name" "NOT IN THE BUILD'S RELEASE"; different=1; }
done
exe=$unpacked/$folder/tavelin.exe
signed=0
if [ -f "$exe" ]; then
  # The certificate table's entry in the optional header's data directory.
  signed=$(python3 - "$exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
security = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 112 + 4 * 8  # PE32+
print(1 if struct.unpack_from("<II", data, security)[1] else 0)
PY
)
fi
while read -r name; do
  if [ "$name" = tavelin.exe ] && [ "$signed" = 1 ]; then
    if osslsigncode remove-signature -in "$exe" -out "$work/stripped.exe" >/dev/null 2>&1; then
      compare "tavelin.exe, signature removed" "$work/stripped.exe" "$built/build/windows/tavelin.exe"
    else
      echo "tavelin.exe: its signature cannot be removed"
      different=1
    fi
  elif [ -f "$unpacked/$folder/$name" ]; then
    compare "$name" "$unpacked/$folder/$name" "$built/build/windows/$name"
  else
    printf '%64s  %-32s %s\n' "" "$name" "MISSING from the release"
    different=1
  fi
done < <(released_names "$ours")

# The zip itself: the build's files with the release's tavelin.exe, packed as the build packs.
repacked=$work/repacked
mkdir -p "$repacked/$folder"
while read -r name; do cp "$built/build/windows/$name" "$repacked/$folder/"; done < <(released_names "$ours")
[ ! -f "$exe" ] || cp "$exe" "$repacked/$folder/tavelin.exe"
python3 tools/package.py --folder "$folder" --zip "$(basename "$release_zip")" --out "$repacked/out" \
  --source "$built" "$repacked/$folder"/*
compare "$(basename "$release_zip")" "$release_zip" "$repacked/out/$(basename "$release_zip")"

if [ "$different" = 0 ]; then
  if [ "$signed" = 1 ]; then
    echo "the release is what commit $commit builds: yes (tavelin.exe signed; check the signature with osslsigncode verify)"
  else
    echo "the release is what commit $commit builds: yes"
  fi
else
  echo "the release is what commit $commit builds: NO"
  exit 1
fi
