#!/usr/bin/env bash
# Checks that a commit builds to the same bytes: two clean clones, in folders of different
# names and depths, built one after the other under different time zones and umasks, must give
# byte-identical tavelin.exe, sibling files, release zip and SHA256SUMS.
#
#   tools/reproducible.sh [COMMIT]      (default: HEAD; uncommitted changes are not built)
#
# Prints each build's time and the SHA-256 of every compared file; exit code 0 when all match.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
tools/setup.sh

commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
[ -z "$(git status --porcelain)" ] || echo "note: the working tree has uncommitted changes; they are not built"

work=$(mktemp -d -t tavelin-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
first=$work/a/tavelin
second=$work/second-build/in/a/deeper/folder/tavelin-clone

# build DIR TZ UMASK: a clean clone of the commit in DIR, built as a user's download.
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

echo "== commit $commit"
build "$first" UTC 022
build "$second" Pacific/Kiritimati 077

files=(tavelin.exe res.dll korvane.dll korvane2.dll gpl.txt readme.txt)
for f in "$first"/build/windows/release/*; do files+=("release/$(basename "$f")"); done

echo "== SHA-256 of the first build, and whether the second is identical"
different=0
for f in "${files[@]}"; do
  a=$first/build/windows/$f
  b=$second/build/windows/$f
  if [ -f "$b" ] && cmp -s "$a" "$b"; then
    verdict=identical
  elif [ -f "$b" ]; then
    verdict="DIFFERENT ($(cmp -l "$a" "$b" 2>/dev/null | wc -l) bytes differ; sizes $(stat -c %s "$a") and $(stat -c %s "$b"))"
    different=1
  else
    verdict="MISSING in the second build"
    different=1
  fi
  printf '%s  %-32s %s\n' "$(sha256sum "$a" | cut -c1-64)" "$f" "$verdict"
done
if [ "$different" = 0 ]; then echo "reproducible: yes"; else echo "reproducible: NO"; exit 1; fi
