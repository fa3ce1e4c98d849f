#!/usr/bin/env bash
# A new user's prefix: without tools/prefix-associations.sh the licence link fails with "No
# association for file extension"; after it, the licence and the read-me open in Wine's
# Notepad and the web address reaches the host's browser through winebrowser. Runs in a fresh
# prefix of its own (the session's display is shared), and ends its own server.
. "$(dirname "$0")/about_lib.sh"
. "$SOURCE/tools/wine-lib.sh"

export WINEPREFIX=$WORK/prefix
tav_prefix_init "$WINEPREFIX"
trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null; about_cleanup' EXIT
# The host's browser, as winebrowser finds it: a stand-in that notes the address.
mkdir -p "$WORK/bin"
cat > "$WORK/bin/xdg-open" <<SH
#!/bin/sh
echo "\$@" >> "$WORK/browser.log"
SH
chmod +x "$WORK/bin/xdg-open"
export PATH=$WORK/bin:$PATH
TAVELIN_EXE=$(winepath -w "$APP/tavelin.exe")
appdir=$(winepath -w "$APP")

open_about Q: || finish
xdotool key Escape
box=$(driver msgbox Tavelin 10000) || fail "fresh prefix: no message box"
expect "fresh prefix: the licence has no viewer" "$box" \
  'text="No association for file extension" buttons="OK" icons=0 owner=frmAbout'
click_control "#32770" 1 || driver dismiss Tavelin
driver gone "#32770" 5000 || driver dismiss Tavelin
xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"

bash "$SOURCE/tools/prefix-associations.sh" || fail "prefix-associations.sh failed"
bash "$SOURCE/tools/prefix-associations.sh" || fail "prefix-associations.sh failed when run again"

open_about Q: || finish
for how in Escape 11 12; do
  if [ "$how" == Escape ]; then xdotool key Escape; doc=gpl.txt; else click_control frmAbout "$how"; fi
  [ "$how" == 12 ] && doc=readme.txt
  viewer=$(driver --any wait Notepad 20000) || { fail "$how: no Notepad window"; continue; }
  caption=$(driver --any info Notepad | grep '^window ' | sed 's/.* caption="\([^"]*\)".*/\1/')
  case "$caption" in
    *"$doc"*) echo "ok: $how opens $doc in Notepad ($caption)" ;;
    *) fail "$how: Notepad shows [$caption], expected $doc" ;;
  esac
  driver nomsgbox Tavelin 300 || fail "$how: a message box appeared"
  driver --any close Notepad
  driver --any gone Notepad 10000 || fail "$how: Notepad did not close"
done

click_control frmAbout 7
for i in $(seq 200); do [ -s "$WORK/browser.log" ] && break; sleep 0.05; done
expect "the web address reaches the host's browser" "$(cat "$WORK/browser.log" 2>/dev/null)" \
  "https://tavelin.example.org/"
driver nomsgbox Tavelin 300 || fail "the web address: a message box appeared"
driver wait frmAbout 1000 >/dev/null || fail "the About window went away"

xdotool key alt+F4
wait_program_exit 20 || fail "the program did not end after Alt+F4"
finish
