#!/usr/bin/env bash
# clang-tidy over the core, both front ends and the simulated drive, with the checks
# of .clang-tidy, in parallel. Fails when any finding is left.
# Usage: scripts/tidy.sh [build dir]; TIDY_LOG=<file> keeps clang-tidy's whole output.
# The build dir needs compile_commands.json; without one, build-tidy is configured
# with clang (configuring is enough, nothing is built).
#        scripts/tidy.sh --windows <mingw-w64 build dir>: the Windows-only files (*_win.cpp
# and the Win32 window in winui/), read by clang as the mingw-w64 compiler would see them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=false
if [ "${1:-}" = "--windows" ]; then
  windows=true
  shift
  [ -f "${1:-}/compile_commands.json" ] || { echo "tidy: --windows needs a configured mingw-w64 build dir" >&2; exit 2; }
fi
build=${1:-$root/build-tidy}
folders="serial|protocol|params|files|flows|resources|platform|cli|ui|tools"
extra=()
if $windows; then
  # clang knows the target but not where mingw-w64 keeps its C++ library: ask its compiler.
  extra+=(-extra-arg=--target=x86_64-w64-mingw32)
  while read -r dir; do
    case "$dir" in */include/c++*) extra+=("-extra-arg-before=-isystem$dir") ;; esac
  done < <(x86_64-w64-mingw32-g++-posix -E -x c++ -v - </dev/null 2>&1 | sed -n 's/^ \(\/.*\)/\1/p')
fi

if [ ! -f "$build/compile_commands.json" ]; then
  echo "== configuring $build for clang-tidy"
  CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
build=$(cd "$build" && pwd)

# Only our own sources: tests, benchmarks, fuzz targets and whatever a build dir holds
# (Qt's moc and autogen files) stay out, and so do their headers.
escaped=$(printf '%s' "$root" | sed 's/[].[^$*+?(){}|\\]/\\&/g')
sources="^$escaped/($folders)/[^/]+\\.cpp\$"
headers="^$escaped/($folders)/[^/]+\\.h\$"
if $windows; then
  sources="^$escaped/(($folders)/[^/]+_win|winui/[^/]+)\\.cpp\$"
  headers="^$escaped/($folders|winui)/[^/]+\\.h\$"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
jobs=$(nproc)
status=0
start=$(date +%s)
# run-clang-tidy-14 comes with Debian's clang-tidy package.
if ! command -v run-clang-tidy-14 >/dev/null; then
  echo "tidy: clang-tidy is not installed (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
run-clang-tidy-14 -quiet -clang-tidy-binary "$(command -v clang-tidy-14)" -p "$build" -j "$jobs" "${extra[@]}" \
  -header-filter "$headers" "$sources" >"$log" 2>&1 || status=$?
seconds=$(( $(date +%s) - start ))
# run-clang-tidy asks for colours whatever the output is.
sed -i 's/\x1b\[[0-9;]*m//g' "$log"
[ -n "${TIDY_LOG:-}" ] && cp "$log" "$TIDY_LOG"

# A header's finding comes once for every file that includes it: each is counted once.
findings=$(grep -E '^/.*:[0-9]+:[0-9]+: (warning|error): ' "$log" | sort -u || true)
errors=$(printf '%s\n' "$findings" | grep -E ': error: ' || true)
if [ -n "$errors" ]; then
  printf '%s\n' "$errors"
  # The explanation and the code under each finding, for the first few.
  grep -E -A3 ': error: ' "$log" | head -n 80
fi
error_count=$(printf '%s' "$errors" | grep -c . || true)
echo "== clang-tidy: $error_count findings, ${seconds}s"
if [ "$error_count" -ne 0 ] || [ "$status" -ne 0 ]; then
  [ "$error_count" -eq 0 ] && tail -n 40 "$log"
  echo "tidy: failed" >&2
  exit 1
fi
