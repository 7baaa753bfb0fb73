#!/usr/bin/env bash
# Builds the program and starts it against a simulated drive on COM 99, so it can
# be tried without hardware: choose Drive > Connect and port 99.
#
# It also builds the command-line program and its man page, which README names
# next: build/bin/drive-setting-cli, build/man/drive-setting-cli.1.
#
# Without a display (no $DISPLAY) it runs under a virtual X server instead and,
# in place of a user, connects to the simulated drive, lets the read-in finish
# and saves a picture of the main window to build/screenshots/screenshot-main.png
# (docs/ holds the pictures README shows; they are not replaced here).
#
#   scripts/run.sh              build, start the simulator and the program
#   COM=42 scripts/run.sh       use another COM number for the simulator
set -euo pipefail
cd "$(dirname "$0")/.."

COM="${COM:-99}"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target drive-setting drive-setting-shots simdrive drive-setting-cli
# The man page is made where help2man is installed (install-deps.sh installs it).
if cmake --build build --target help 2>/dev/null | grep -q 'drive-setting-cli-man'; then
  cmake --build build --target drive-setting-cli-man
fi

sim_out="$(mktemp)"
sim_pid=""
stop_simulator() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$sim_out"
}
trap stop_simulator EXIT INT TERM

# The simulator registers itself in the ports file beside the program and prints
# the pseudo-terminal it answers on.
build/bin/simdrive --com "$COM" --live-status >"$sim_out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 50); do
  grep -q "^COM " "$sim_out" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$sim_out" >&2; echo "run.sh: the simulated drive did not start" >&2; exit 1; }
  sleep 0.1
done
echo "Simulated drive on COM $COM ($(head -n 1 "$sim_out"))"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  build/bin/drive-setting
else
  echo "No display: taking a screenshot under a virtual X server instead."
  mkdir -p build/screenshots
  xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/drive-setting-shots --com "$COM" --out build/screenshots --what main
fi
