#!/usr/bin/env bash
# Prepares the Wine prefix in $WINEPREFIX so that Tavelin's About window can open its links as
# on a Windows desktop: .txt files (the licence and the read-me) in Wine's Notepad, http and
# https addresses in the host's browser through winebrowser. A fresh prefix has no .txt
# association, so the shell would answer "No association for file extension".
# Safe to run again; it changes nothing else.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the prefix to prepare}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"
"Content Type"="text/plain"
"PerceivedType"="text"

[HKEY_CLASSES_ROOT\txtfile]
@="Text Document"

[HKEY_CLASSES_ROOT\txtfile\shell\open\command]
@="\"C:\\windows\\system32\\notepad.exe\" \"%1\""

[HKEY_CLASSES_ROOT\http]
@="URL:HyperText Transfer Protocol"
"URL Protocol"=""

[HKEY_CLASSES_ROOT\http\shell\open\command]
@="\"C:\\windows\\system32\\winebrowser.exe\" \"%1\""

[HKEY_CLASSES_ROOT\https]
@="URL:HyperText Transfer Protocol with Privacy"
"URL Protocol"=""

[HKEY_CLASSES_ROOT\https\shell\open\command]
@="\"C:\\windows\\system32\\winebrowser.exe\" \"%1\""
REG
timeout 120 wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1
# regedit has returned; make sure the server has the keys before the next program looks.
timeout 60 wine reg query 'HKCR\.txt' </dev/null >/dev/null 2>&1
