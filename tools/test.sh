#!/usr/bin/env bash
# The whole test suite: native unit tests, then the Windows build under Wine and Xvfb
# (unit tests, UI tests, end-to-end runs of tavelin.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset host
tools/with-wine ctest --preset windows
