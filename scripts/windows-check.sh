#!/usr/bin/env bash
# Builds the core, its tests and the command-line program for 64-bit Windows with
# mingw-w64, runs the tests under Wine, then the Windows program and the link
# against the simulated drive through a Wine COM port, then the MSI and the
# portable zip installed, run and removed there.
#
#   scripts/windows-check.sh [LINUX_BUILD]   (default build/, for the simulated drive)
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build}
scripts/install-deps-windows.sh
[ -x "$linux_build/bin/simdrive" ] || { echo "no simulated drive in $linux_build (run scripts/test.sh first)"; exit 1; }

cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  ${DS_WERROR:+-DDS_WERROR=$DS_WERROR}
cmake --build build-win -j"$(nproc)"
echo "-- clang-tidy over the Windows-only files"
scripts/tidy.sh --windows build-win

export WINEPREFIX="$PWD/build-win/wine-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
echo "-- imports of the Windows program (a bare Windows has these)"
x86_64-w64-mingw32-objdump -p build-win/bin/drive-setting-cli.exe | sed -n 's/^\tDLL Name: /   /p'
echo "-- imports of the window"
x86_64-w64-mingw32-objdump -p build-win/bin/drive-setting.exe | sed -n 's/^\tDLL Name: /   /p'
"$wine" wineboot -i >/dev/null 2>&1 || true

echo "-- unit tests under Wine"
(cd build-win && ctest --output-on-failure -j2 --timeout 600)

echo "-- the serial port and the program against the simulated drive"
tests/wine/with_drive.sh "$linux_build" "$wine" build-win/bin/serial_tests.exe
tests/wine/compare_cli.sh "$linux_build" build-win

echo "-- the window against the simulated drive, on a virtual screen (with its start and read-in figures)"
xvfb-run -a tests/wine/window_test.sh "$linux_build" "$wine" build-win

echo "-- link speed under Wine"
tests/wine/with_drive.sh "$linux_build" "$wine" build-win/bin/bench_link_com.exe --com 99

echo "-- the installer and the portable zip: built, installed, upgraded, run and removed"
cmake --build build-win --target windows-package
xvfb-run -a tests/wine/msi_test.sh "$linux_build" build-win
