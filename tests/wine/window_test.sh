#!/usr/bin/env bash
# Drives the Windows window against a simulated drive behind Wine's COM99 and
# stops the drive when the test asks for the hang-up (a hangup.request file in the
# folder DS_WINDOW_HANGUP names). Needs a display (xvfb-run).
#
#   tests/wine/window_test.sh LINUX_BUILD WINE MINGW_BUILD
set -uo pipefail
linux_build=$(realpath "$1")
wine=$2
build_win=$(realpath "$3")
: "${WINEPREFIX:?}"
# Wine started without a display (for the unit tests before this) keeps a desktop
# process that can draw no window: end it, so Wine starts afresh on this screen.
WINEPREFIX="$WINEPREFIX" "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
WINEPREFIX="$WINEPREFIX" "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
work=$(mktemp -d)
source "$(dirname "$0")/drive.sh"
trap 'stop_drive; rm -rf "$work"' EXIT
start_drive
window="$build_win/bin/drive-setting.exe"
DS_WINE_COM=$com DS_WINDOW_HANGUP="Z:${work//\//\\}" \
  "$wine" "$build_win/bin/window_wine_test.exe" "Z:${window//\//\\}" &
test_pid=$!
while kill -0 "$test_pid" 2>/dev/null; do
  if [ -e "$work/hangup.request" ]; then
    stop_drive
    rm -f "$work/hangup.request"
  fi
  sleep 0.1
done
wait "$test_pid"
