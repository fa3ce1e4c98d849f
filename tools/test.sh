#!/usr/bin/env bash
# The whole test suite: native unit tests (also under ASan and UBSan), then the Windows build under
# Wine and Xvfb (unit tests, Win32 tests, end-to-end runs of tavelin.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host
# The core layer's unit tests again, under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan
ctest --preset host-asan
cmake --preset windows >/dev/null
cmake --build --preset windows
tests/wine/with-wine ctest --preset windows
