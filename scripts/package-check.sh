#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this machine,
# runs both installed programs (the command-line one against the installed
# simulated drive, the window offscreen), purges it and checks nothing of it is left under /usr.
# Usage: scripts/package-check.sh [BUILD_DIR]   (default: build). Needs root, or sudo.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
build="${1:-build}"
package=drive-setting
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

step() { echo "== package: $*"; }
fail() { echo "package-check FAILED: $*" >&2; exit 1; }

step "build in $build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack could not make the package"
deb=$(ls "$build"/deb/${package}_*.deb)
echo "$deb: $(stat -c %s "$deb") bytes"

step "desktop entry and metainfo"
desktop-file-validate packaging/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$build"/package/*.metainfo.xml || fail "appstreamcli validate"

step "lintian"
# Errors fail the check; warnings and notes are shown for the record.
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

step "install"
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
  echo "$package was installed before this check: it is replaced, and purged at the end"
fi
if ! $SUDO dpkg -i "$deb"; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq || fail "the package's dependencies cannot be installed"
fi
dpkg-query -W -f='${Status}' "$package" | grep -q "install ok installed" || fail "dpkg -i did not install $package"
listing=$(mktemp)
dpkg -L "$package" | grep '^/usr' >"$listing"
echo "$(wc -l <"$listing") paths installed"

home=$(mktemp -d)
simpid=""
cleanup() {
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  rm -rf "$home" "$listing"
}
trap cleanup EXIT
# A fresh user: everything of theirs in ~/.config/drive-setting/.
run_as_user() { env -u XDG_CONFIG_HOME HOME="$home" "$@"; }

step "installed command-line program against a simulated drive"
if [ -x /usr/bin/drive-setting-cli ]; then
  config="$home/.config/drive-setting"
  # The installed simulated drive, registering where the installed programs look.
  [ -x /usr/bin/drive-setting-simdrive ] || fail "the package holds no drive-setting-simdrive"
  # Started through `exec`, so $! is the simulated drive itself: a function run in
  # the background is a subshell, and killing it would leave the drive running.
  (exec env -u XDG_CONFIG_HOME HOME="$home" /usr/bin/drive-setting-simdrive --com 99) >"$home/simdrive.out" &
  simpid=$!
  for _ in $(seq 50); do grep -q '^COM99=' "$config/ports" 2>/dev/null && break; sleep 0.1; done
  grep -q '^COM99=' "$config/ports" || fail "the simulated drive did not register in $config/ports"
  out=$(run_as_user timeout 60 drive-setting-cli --port COM99 info) || fail "drive-setting-cli info failed: $out"
  echo "$out"
  echo "$out" | grep -q "/usr/share/$package/ParamDefault" || echo "note: info does not name the installed description file"
  run_as_user timeout 60 drive-setting-cli --port COM99 save "$home/backup.dpf" || fail "drive-setting-cli save failed"
  [ -s "$home/backup.dpf" ] || fail "drive-setting-cli save wrote nothing"
  run_as_user timeout 60 drive-setting-cli --port COM99 diff "$home/backup.dpf" || fail "a drive differs from its own backup"
  kill "$simpid"; wait "$simpid" 2>/dev/null || true; simpid=""
else
  echo "SKIPPED: the package holds no drive-setting-cli"
fi

step "installed window, offscreen"
if [ -x /usr/bin/drive-setting ]; then
  run_as_user env QT_QPA_PLATFORM=offscreen timeout 60 drive-setting --quit-after-start ||
    fail "the installed window did not come up (exit $?)"
  [ -d "$home/.config/drive-setting" ] || fail "the window made no settings folder in $home/.config"
else
  echo "SKIPPED: the package holds no window (built without Qt)"
fi

step "purge"
$SUDO dpkg --purge "$package"
left=0
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # Folders shared with other packages (/usr/bin, the icon theme's) stay; nothing
  # that is ours alone may.
  if [ -d "$path" ] && [ ! -L "$path" ] && [[ "$path" != *"$package"* ]]; then continue; fi
  echo "left after purge: $path" >&2
  left=$((left + 1))
done <"$listing"
[ "$left" -eq 0 ] || fail "$left paths of $package are left under /usr"

echo "package-check passed in $((SECONDS - started)) s"
