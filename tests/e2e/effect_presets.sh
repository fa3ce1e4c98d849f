#!/usr/bin/env bash
# Every preset from -1 to 22 runs and ends on a character key, one run after another in one
# process; each run starts from a new window object (preset 10 after 9 has no range left over).
# usage: effect_presets.sh path/to/effect_runner.exe
RUNNER=$1
. "$(dirname "$0")/effect_lib.sh"

fx_start presets --presets "$(seq -s, -1 22)" --stop-passes 400 --timeout-ms 30000
fx_finish
out=$(tr -d '\r' <"$FX_OUT")
echo "$out"

for ef in $(seq -1 22); do
  grep -q "^run [0-9]* preset $ef returned passes=400 .* stop=posted$" <<<"$out" ||
    fail "preset $ef did not run 400 passes and end on the key"
done
# Shifts the table fixes exactly, seen on the block copies themselves.
expect() {
  grep -q "^run [0-9]* preset $1 returned .* dx=\[$2\] dy=\[$3\] .* block=$4 " <<<"$out" ||
    fail "preset $1: expected dx=[$2] dy=[$3] block=$4"
}
expect -1 '-1,-1' '-1,-1' 128x128
expect 3 '-1,-1' '-1,-1' 128x128
expect 10 '-10,-10' '-10,-10' 128x128
expect 22 '-1,-1' '-1,-1' 128x128
expect 12 '100,102' '-2,0' 128x128
expect 0 '-1,1' '-1,1' 128x128
expect 17 '2,3' '-10,-9' 1x1
expect 21 '-250,-225' '-25,0' 25x255

fx_done
