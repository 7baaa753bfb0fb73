#!/usr/bin/env bash
# Drives the Windows window against a simulated drive behind Wine's COM99. The
# test asks for things by a NAME.request file in the folder DS_WINDOW_DRIVE names:
# "traffic" writes the drive's byte counts so far to the file traffic there,
# "hangup" stops the drive, "restart" starts it afresh with the simulated drive's
# options the request file holds. Needs a display (xvfb-run).
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
test_exe="$build_win/bin/window_wine_test.exe"
# Inside Wine's virtual desktop: on a bare X screen with no window manager, Wine
# waits two seconds for a window manager at each window it hides (every dialog
# closed), which would be most of what the test and its figures measure.
DS_WINE_COM=$com DS_WINDOW_DRIVE="Z:${work//\//\\}" \
  "$wine" explorer /desktop=windowtest,1024x768 "Z:${test_exe//\//\\}" "Z:${window//\//\\}" \
  >"$work/test.out" 2>&1 &
test_pid=$!
while kill -0 "$test_pid" 2>/dev/null; do
  serve_drive_requests
  sleep 0.02
done
wait "$test_pid"
cat "$work/test.out"
# The desktop does not hand on the program's exit code; its last line does.
grep -q "^window test passed" "$work/test.out"
