#!/usr/bin/env bash
# Maps the end-to-end drives into the prefix in WINEPREFIX (a lane's; the session's for
# tools/bench.sh) and (re)starts its server, which reads drive letters only when it starts:
#   S:  an image file (a volume that flushes)    R:  a plain folder (a volume that cannot flush)
#   K:  a folder holding a copy of the program, to run it from the root of a drive
set -euo pipefail
: "${WINEPREFIX:?run inside tests/wine/with-wine}" "${TAVELIN_DIST:?}"
drives=$WINEPREFIX/tavelin-drives
mkdir -p "$drives/folder" "$drives/root"
truncate -s 8M "$drives/stick.img"
ln -sfn "$drives/stick.img" "$WINEPREFIX/dosdevices/s::"
ln -sfn "$drives/folder" "$WINEPREFIX/dosdevices/r:"
ln -sfn "$drives/root" "$WINEPREFIX/dosdevices/k:"
cp "$TAVELIN_DIST"/tavelin.exe "$TAVELIN_DIST"/*.dll "$drives/root/"
wineserver -k || true
wineserver -w
. "$(dirname "$0")/../wine/lib.sh"
tav_wineserver_start
echo "PASS"
