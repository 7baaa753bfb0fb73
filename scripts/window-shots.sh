#!/usr/bin/env bash
# Screenshots of the Windows window under Wine, in English and Korean: the main
# window connected, the connect dialog, a safety question, the progress window,
# Compare with File and About. The window test drives the window against the
# simulated drive inside Wine's virtual desktop (so captions are drawn) and asks
# for each picture; this script takes it.
#
#   scripts/window-shots.sh [LINUX_BUILD] [OUT_DIR]   (defaults build/, docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=$(realpath "${1:-build}")
mkdir -p "${2:-docs}"
out=$(realpath "${2:-docs}")
export WINEPREFIX="$PWD/build-win/wine-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
work=$(mktemp -d)
source tests/wine/drive.sh

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb_pid=$!
trap 'stop_drive; kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display

window=$(realpath build-win/bin/drive-setting.exe)
test_exe=$(realpath build-win/bin/window_wine_test.exe)
mkdir -p "$work/requests"
for lang in en ko; do
  # Each language meets a drive as it starts: the test restarts it with faults on the way.
  stop_drive
  start_drive --live-status --alarm 7  # Drive Status shows its values moving and an alarm
  # Wine takes the language, the code page and with it the fonts linked for Hangul
  # from LANG; for English the C locale in UTF-8, so Hangul file names still work.
  locale=C.UTF-8 suffix="" locpath=""
  [ "$lang" = ko ] && locale=ko_KR.UTF-8 suffix="-ko"
  # Windows' own parts (message box buttons, file dialogs) follow the Unix locale,
  # which must exist: where the system has not generated it, it is made for this run.
  if [ "$lang" = ko ] && ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
    mkdir -p "$work/locale"
    localedef -i ko_KR -f UTF-8 "$work/locale/ko_KR.UTF-8" 2>/dev/null && locpath="$work/locale"
  fi
  "/usr/lib/wine/wineserver" -k 2>/dev/null || true
  env ${locpath:+LOCPATH="$locpath"} LANG=$locale DS_WINE_COM=$com DS_WINDOW_SHOTS="Z:${work//\//\\}\\requests" \
    DS_WINDOW_DRIVE="Z:${work//\//\\}" \
    "$wine" explorer /desktop=shots,1024x768 "Z:${test_exe//\//\\}" "Z:${window//\//\\}" >"$work/test-$lang.out" 2>&1 &
  test_pid=$!
  while kill -0 "$test_pid" 2>/dev/null; do
    for request in "$work"/requests/*.request; do
      [ -e "$request" ] || continue
      name=$(basename "$request" .request)
      # The desktop's plain background is trimmed away, leaving the windows.
      import -display "$display" -window root "$work/full.png"
      convert "$work/full.png" -trim +repage -bordercolor '#2a6f97' -border 8 "$out/screenshot-win-$name$suffix.png"
      rm -f "$request"
      echo "screenshot-win-$name$suffix.png"
    done
    serve_drive_requests
    sleep 0.2
  done
  wait "$test_pid" || true
  cat "$work/test-$lang.out"
done
