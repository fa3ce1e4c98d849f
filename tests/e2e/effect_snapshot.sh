#!/usr/bin/env bash
# The effect window covers the screen with the desktop as it was just before the effect began,
# a few thousand passes of preset 0 change that picture only a little, by shifted blocks, and a
# repaint of the window puts the snapshot back.
# usage: effect_snapshot.sh path/to/effect_runner.exe
RUNNER=$1
. "$(dirname "$0")/effect_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)

read -r W H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
go=$FX_WORK/go
fx_start snapshot --presets 0 --wait-file "$(winpath "${go}0")" --pause-at 2,3000,3002 \
  --go-file "$(winpath "$go")" --repaint-at 3000 --stop-passes 3003 --timeout-ms 60000

# Screenshots are taken while the runner holds still: before the effect and at passes 2, 3000
# and 3002 (after the whole window was invalidated at 3000 and repainted at the next yield).
fx_wait_for '^waiting' || fail "runner did not start"
sleep 0.5
shot "$FX_WORK/before.png"
covering_before=$(xwininfo -root -tree | grep -c " ${W}x${H}+0+0 ")
touch "${go}0"
fx_wait_for '^paused at pass 2[[:space:]]*$' || fail "no pass 2"
sleep 0.3
shot "$FX_WORK/pass2.png"
covering_during=$(xwininfo -root -tree | grep -c " ${W}x${H}+0+0 ")
touch "${go}2"
fx_wait_for '^paused at pass 3000[[:space:]]*$' 60 || fail "no pass 3000"
sleep 0.3
shot "$FX_WORK/pass3000.png"
touch "${go}3000"
fx_wait_for '^paused at pass 3002[[:space:]]*$' || fail "no pass 3002"
sleep 0.3
shot "$FX_WORK/pass3002.png"
touch "${go}3002"
fx_finish

[ "$covering_during" -gt "$covering_before" ] ||
  fail "no window covers the ${W}x${H} screen during the effect"

analyse() {
  python3 "$here/effect_picture.py" "$(raw_rgb "$FX_WORK/before.png")" \
    "$(raw_rgb "$FX_WORK/$1.png")" "$W" "$H"
}
value() { sed -n "s/^$1=//p" <<<"$2"; }

# After one repaint and two passes: the desktop, except for at most the two copied blocks.
a=$(analyse pass2)
echo "pass 2: $(tr '\n' ' ' <<<"$a")"
[ "$(value colours_before "$a")" -gt 20 ] || fail "the desktop picture has no content to compare"
[ "$(value diff "$a")" -le $((2 * 128 * 128)) ] || fail "pass 2 differs from the desktop by more than two blocks"
[ "$(value new_colours "$a")" -eq 0 ] || fail "pass 2 shows colours the desktop did not have"
[ "$(value lit_after "$a")" -ge $(($(value lit_before "$a") * 9 / 10)) ] || fail "pass 2 is darker than the desktop"

# After 3000 passes: some change, little of the screen, near the content, no new colours.
a=$(analyse pass3000)
echo "pass 3000: $(tr '\n' ' ' <<<"$a")"
diff=$(value diff "$a")
[ "$diff" -gt 0 ] || fail "3000 passes changed nothing"
[ "$diff" -le $((W * H / 5)) ] || fail "3000 passes changed more than a fifth of the screen"
[ "$(value new_colours "$a")" -eq 0 ] || fail "shifted blocks made colours the desktop did not have"
IFS=, read -r cx0 cy0 cx1 cy1 <<<"$(value content_box "$a")"
IFS=, read -r dx0 dy0 dx1 dy1 <<<"$(value changed_box "$a")"
margin=64
[ "$dx0" -ge $((cx0 - margin)) ] && [ "$dy0" -ge $((cy0 - margin)) ] &&
  [ "$dx1" -le $((cx1 + margin)) ] && [ "$dy1" -le $((cy1 + margin)) ] ||
  fail "changes reach beyond the desktop's content (blocks moved further than a shift)"

# The repaint took the snapshot again: at most the two blocks copied since.
a=$(analyse pass3002)
echo "pass 3002: $(tr '\n' ' ' <<<"$a")"
[ "$(value diff "$a")" -le $((2 * 128 * 128)) ] || fail "a repaint did not restore the snapshot"

fx_done
