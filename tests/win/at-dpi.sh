#!/usr/bin/env bash
# Runs a Win32 test program with the system DPI set to DPI, in a Wine prefix and on a display of
# its own (a station of the tests/wine/with-wine session, which is made when there is none).
# TAVELIN_EXPECTED_DPI tells the program which DPI it must find.
# Usage: at-dpi.sh DPI PROGRAM [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine/lib.sh"
if [ -z "${TAV_SESSION_DIR:-}" ]; then
  exec "$here/../wine/with-wine" bash "$0" "$@"
fi
dpi=$1
shift
station=dpi-$dpi-$$
trap 'tav_station_down "$station"' EXIT
tav_wine_env
tav_station_up "$station" 1024x768x24 >/dev/null || { echo "no station for $dpi DPI"; exit 1; }
tav_set_dpi "$dpi" || { echo "the DPI could not be set"; exit 1; }
tav_wineserver_start
TAVELIN_EXPECTED_DPI=$dpi timeout -k 10 300 wine "$@" </dev/null
