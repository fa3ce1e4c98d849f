#!/usr/bin/env bash
# Builds what users download: build/windows/release/Tavelin-<version>-win64.zip (one folder,
# Tavelin-<version>/, with tavelin.exe and its five files) and SHA256SUMS beside it. The build
# makes both on every run (CMake target tavelin_release, tools/package.py); this script only
# builds that target and shows the result. Entries are dated SOURCE_DATE_EPOCH when it is set,
# otherwise the time of the commit built.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tavelin_release >/dev/null
cd build/windows/release
for zip in *.zip; do python3 -m zipfile -l "$zip"; done
echo
cat SHA256SUMS
echo
echo "in $PWD"
