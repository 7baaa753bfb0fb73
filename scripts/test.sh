#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${DS_WERROR:+-DDS_WERROR=$DS_WERROR}
cmake --build build -j"$(nproc)"
cd build && ctest --output-on-failure -j2 --timeout 300
