#!/usr/bin/env bash
# Every run gives the screen's DC back: 20 runs in one process leave no screen DC taken. An
# overflow in the loop (x + dx past 32767 on a 24000-pixel-wide screen with preset 6) ends the
# effect cleanly: DC released, window unloaded, the caller's show returns and the next run works.
# usage: effect_teardown.sh path/to/effect_runner.exe
RUNNER=$1
. "$(dirname "$0")/effect_lib.sh"
root=$(cd "$(dirname "$0")/../.." && pwd)

fx_start twenty --presets 0 --runs 20 --stop-passes 300 --timeout-ms 30000
fx_finish
[ "$(grep -c 'returned passes=300 .*screen_dcs_in_loop=1 screen_dcs_after=0 stop=posted' "$FX_OUT")" -eq 20 ] ||
  fail "not 20 runs that held one screen DC and gave it back"
grep -q "screen dcs taken=\([0-9]*\) released=\1 outstanding=0 bad_releases=0" "$FX_OUT" ||
  fail "screen DCs unbalanced over 20 runs"
tr -d '\r' <"$FX_OUT" | tail -2

# A screen of its own, wide enough for preset 6 to overflow: a nested session.
wide=$FX_WORK/wide.out
TAVELIN_SCREEN=24000x300x24 timeout -k 5 180 "$root/tools/with-wine" \
  bash -c 'wine "$0" --presets 6,6,0 --stop-passes 50000 --timeout-ms 60000 </dev/null 9>&-' \
  "$RUNNER" >"$wide" 2>&1
rc=$?
tr -d '\r' <"$wide"
[ $rc -eq 0 ] && grep -q "effect_runner: PASS" "$wide" || fail "wide screen run: exit $rc"
grep -q "^screen 24000x300" "$wide" || fail "the wide screen was not 24000 pixels wide"
[ "$(grep -c 'preset 6 returned passes=[0-9]* .*screen_dcs_after=0 stop=none' "$wide")" -eq 2 ] ||
  fail "preset 6 did not end by itself (overflow) with the DC released"
grep -q 'run 3 preset 0 returned passes=50000 .*stop=posted' "$wide" ||
  fail "the program did not go on after the overflow"

fx_done
