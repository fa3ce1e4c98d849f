#!/usr/bin/env bash
# Prints Tavelin's figures, all measured in one run under Wine on the same image-backed drive:
#  - launch to result text on screen, tavelin.exe against a bare program that only opens,
#    flushes five times, closes and shows the text in one plain window: as it is, with
#    tavelin.exe's manifest (goal: ratio <= 1.2), and with a plain wait window too;
#  - frames the wait window's clip paints per second while a 5 s flush blocks the UI thread,
#    against the clip's nominal rate (goal: ratio >= 0.9);
#  - the size of tavelin.exe (goal: <= 400 KB);
#  - the product (Clang, Control Flow Guard) against the same tree built by GCC (the windows-gcc
#    preset, no guard): launch to result and the clip's painted rate, both in this run, as ratios.
# The screen effect's own benchmark is build/windows/effect_bench.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${TAV_SESSION_DIR:-}" ]; then
  tools/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows >/dev/null
  cmake --preset windows-gcc >/dev/null
  cmake --build --preset windows-gcc --target tavelin tavelin_assets >/dev/null
  exec tests/wine/with-wine "$0" "$@"
fi
dist=$PWD/build/windows
gcc_dist=$PWD/build/windows-gcc
export TAVELIN_DIST=$dist
bash tests/e2e/setup-drives.sh >/dev/null
runs=${RUNS:-15}
win() { winepath -w "$1"; }

echo "== launch to result text (median of $runs runs each, alternating)"
echo "-- against the bare program as it is (no manifest)"
wine "$dist/launch_bench.exe" time "$runs" \
  tavelin_launch_to_result TavelinResult "$(win "$dist/tavelin.exe") S:" \
  bare_flush_launch_to_result BareFlush "$(win "$dist/bare_flush.exe") S:" | tr -d '\r'
echo "-- against the bare program with tavelin.exe's manifest (common controls 6 loaded too)"
wine "$dist/launch_bench.exe" time "$runs" \
  tavelin_launch_to_result TavelinResult "$(win "$dist/tavelin.exe") S:" \
  bare_flush_v6_launch_to_result BareFlush "$(win "$dist/bare_flush_v6.exe") S:" | tr -d '\r'
echo "-- against the bare program with the manifest and a plain wait window (the platform's cost"
echo "   of the two windows the program must show)"
wine "$dist/launch_bench.exe" time "$runs" \
  tavelin_launch_to_result TavelinResult "$(win "$dist/tavelin.exe") S:" \
  bare_flush_two_windows_launch_to_result BareFlush "$(win "$dist/bare_flush_two_windows.exe") S:" | tr -d '\r'

echo "== clip frames while a 5 s flush blocks the UI thread"
LD_PRELOAD=$dist/host-tools/fsync_shim.so TAVELIN_SHIM_PATH=tavelin-drives/stick.img TAVELIN_SHIM_SLEEP_MS=5000 \
  wine "$dist/launch_bench.exe" frames "$(win "$dist/tavelin.exe") S:" | tr -d '\r'

echo "== size"
size=$(stat -c %s "$dist/tavelin.exe")
echo "tavelin.exe bytes=$size KB=$((size / 1024)) goal_KB=400"

echo "== the product (Clang, Control Flow Guard) against the GCC build (no guard)"
if [ -f "$gcc_dist/tavelin.exe" ]; then
  echo "-- launch to result text (median of $runs runs each, alternating; ratio = Clang / GCC)"
  wine "$dist/launch_bench.exe" time "$runs" \
    clang_launch_to_result TavelinResult "$(win "$dist/tavelin.exe") S:" \
    gcc_launch_to_result TavelinResult "$(win "$gcc_dist/tavelin.exe") S:" | tr -d '\r'
  echo "-- clip frames while a 5 s flush blocks the UI thread (ratio = painted / nominal, each build)"
  for build in "$dist" "$gcc_dist"; do
    printf '%s ' "$([ "$build" = "$dist" ] && echo clang || echo gcc)"
    LD_PRELOAD=$dist/host-tools/fsync_shim.so TAVELIN_SHIM_PATH=tavelin-drives/stick.img TAVELIN_SHIM_SLEEP_MS=5000 \
      wine "$dist/launch_bench.exe" frames "$(win "$build/tavelin.exe") S:" | tr -d '\r'
  done
  gcc_size=$(stat -c %s "$gcc_dist/tavelin.exe")
  echo "size clang_bytes=$size gcc_bytes=$gcc_size ratio=$(python3 -c "print(f'{$size / $gcc_size:.3f}')")"
else
  echo "no GCC build in $gcc_dist (cmake --preset windows-gcc && cmake --build --preset windows-gcc)"
fi
