#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian 12's packages.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libgl-dev qt6-translations-l10n
  libtinyxml-dev libcli11-dev nlohmann-json3-dev libssl-dev help2man
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-tidy clang-format
  python3 python3-serial ser2net
  xvfb xauth x11-apps imagemagick fonts-nanum
  librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
