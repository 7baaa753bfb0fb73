#!/usr/bin/env bash
# Reads an MSI back with msiinfo and checks its tables hold what
# packaging/drive-setting.wxs says, and that every row's references land (the
# part of Windows' ICE validation that matters here; no ICE runs on Linux).
#
#   scripts/msi-check.sh MSI VERSION STAGE   (STAGE: the files that went in)
#   DS_MSI_OWN_VERSION=1: the MSI's version need not be the programs' own
set -uo pipefail
cd "$(dirname "$0")/.."
msi=$(realpath "$1")
version=$2
stage=$(realpath "$3")
source=$PWD/packaging/drive-setting.wxs
# msiinfo writes a binary table's streams into the folder it runs in.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
table() { msiinfo export "$msi" "$1" | sed 's/\r$//' | tail -n +4; }
# has TABLE ROW: one row exactly so (columns joined by tabs).
has() { table "$1" | grep -qxF "$2"; }
column() { table "$1" | cut -f"$2"; }
# refers TABLE COLUMN TARGET [TARGET_COLUMN]: every non-empty value is a key there.
refers() {
  local missing
  missing=$(comm -23 <(column "$1" "$2" | grep -v '^$' | sort -u) <(column "$3" "${4:-1}" | sort -u))
  [ -z "$missing" ] || { echo "      $1 names what $3 lacks: $missing"; return 1; }
}
from_source() { grep -o "$1=\"[^\"]*\"" "$source" | head -1 | cut -d'"' -f2; }

upgrade_code="{$(from_source UpgradeCode)}"
manufacturer=$(from_source Manufacturer)
product=$(grep -o '<Product Id="\*" Name="[^"]*"' "$source" | cut -d'"' -f4)

size_kib=$(du -sk --apparent-size "$stage" | cut -f1)
t=$'\t'
has_properties() {
  has Property "ProductVersion$t$version" && has Property "UpgradeCode$t$upgrade_code" &&
    has Property "Manufacturer$t$manufacturer" && has Property "ProductName$t$product" &&
    has Property "ARPPRODUCTICON${t}DriveSetting.ico" && has Property "ALLUSERS${t}1" &&
    has Property "ARPSIZE$t$size_kib"
}
has_folders() {
  has Directory "INSTALLDIR${t}ProgramFiles64Folder$t$product" &&
    has Directory "ProgramMenuDir${t}ProgramMenuFolder$t$product"
}
# Every staged file, its size, in a component of the program's folder.
has_files() {
  local path name row ok=0
  for path in "$stage"/*; do
    name=$(basename "$path")
    row=$(table File | awk -F'\t' -v n="$name" '$3 == n || $3 ~ ("\\|" n "$")')
    if [ -z "$row" ] || [ "$(cut -f4 <<<"$row")" != "$(stat -c %s "$path")" ] ||
      [ "$(table Component | awk -F'\t' -v c="$(cut -f2 <<<"$row")" '$1 == c { print $3 }')" != INSTALLDIR ]; then
      echo "      $name: ${row:-not in the File table}"
      ok=1
    fi
  done
  return $ok
}
has_prompt_shortcut() {
  table Shortcut | awk -F'\t' '$1 == "CliShortcut" && $5 == "[System64Folder]cmd.exe" &&
    index($6, "PATH [INSTALLDIR];%PATH%&& drive-setting-cli")' | grep -q .
}
has_environment_actions() {
  has InstallExecuteSequence "WriteEnvironmentStrings${t}${t}5200" &&
    has InstallExecuteSequence "RemoveEnvironmentStrings${t}${t}3300"
}
has_features() {
  has FeatureComponents "CommandLineOnPath${t}CliOnPath" &&
    table Feature | awk -F'\t' '$1 == "CommandLineOnPath" && $6 == 1' | grep -q . &&
    table Feature | awk -F'\t' '$1 == "Program" && $6 == 1 && $8 == 16' | grep -q .
}
has_upgrade() {
  has Upgrade "$upgrade_code$t$t$version${t}${t}513${t}${t}WIX_UPGRADE_DETECTED" &&
    has Upgrade "$upgrade_code$t$version${t}${t}${t}2${t}${t}WIX_DOWNGRADE_DETECTED" &&
    table LaunchCondition | grep -q "^NOT WIX_DOWNGRADE_DETECTED$t" &&
    table InstallExecuteSequence | grep -q "^RemoveExistingProducts$t"
}
# The window's version block (which its About box shows): VS_FIXEDFILEINFO's
# file version, after its signature.
window_version() {
  python3 - "$stage/drive-setting.exe" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(struct.pack("<I", 0xFEEF04BD))
ms, ls = struct.unpack_from("<II", data, at + 8)
print(f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}" if at >= 0 else "none")
PY
}
key_paths_land() {
  local missing
  missing=$(comm -23 <(column Component 6 | grep -v '^$' | sort -u) <( (column File 1; column Registry 1) | sort -u))
  [ -z "$missing" ] || { echo "      no such file or registry value: $missing"; return 1; }
}

echo "-- $msi"
check "Property: version, upgrade code, maker, name, icon, size, per-machine" has_properties
# DS_MSI_OWN_VERSION: a test's MSI, numbered apart from the programs it carries.
[ -n "${DS_MSI_OWN_VERSION:-}" ] || check "the window's version block: the same version" test "$(window_version)" = "$version"
check "Icon: the Apps and Features icon is in the package" test "$(column Icon 1)" = DriveSetting.ico -a -s Icon/Icon.DriveSetting.ico
check "Summary: 64-bit, English" grep -qx "Template: x64;1033" <(msiinfo suminfo "$msi")
check "Directory: Program Files\\$product\\ and a Start menu folder of the same name" has_folders
check "File: every staged file, its size, in the program's folder" has_files
check "File: nothing else" test "$(table File | wc -l)" = "$(find "$stage" -type f | wc -l)"
check "Shortcut: the window, with its icon" \
  has Shortcut "WindowShortcut${t}ProgramMenuDir${t}$product${t}Shortcuts${t}[INSTALLDIR]drive-setting.exe${t}${t}Read and set a servo drive's parameters${t}${t}DriveSetting.ico${t}0${t}${t}INSTALLDIR${t}${t}${t}${t}"
check "Shortcut: a command prompt that runs drive-setting-cli" has_prompt_shortcut
check "Registry: the Start menu component's key, under HKLM" \
  grep -q . <(table Registry | awk -F'\t' '$2 == 2 && $6 == "Shortcuts"')
check "Environment: the program's folder appended to the system PATH, taken away at removal" \
  has Environment "PathEntry${t}=-*PATH${t}[~];[INSTALLDIR]${t}CliOnPath"
check "Environment: written and removed in the install sequence" has_environment_actions
check "Feature: PATH is its own feature, on by default; the program cannot be left out" has_features
check "Upgrade: an older or equal version is removed first, a newer one refuses this" has_upgrade

check "References: File -> Component" refers File 2 Component
check "References: Component -> Directory" refers Component 3 Directory
check "References: Directory -> its parent" refers Directory 2 Directory
check "References: every component in a feature" refers Component 1 FeatureComponents 2
check "References: FeatureComponents -> Feature" refers FeatureComponents 1 Feature
check "References: Shortcut -> Component" refers Shortcut 4 Component
check "References: Shortcut -> Directory" refers Shortcut 2 Directory
check "References: Shortcut -> Icon" refers Shortcut 9 Icon
check "References: a component's key path is one of its files or registry values" key_paths_land
check "References: Environment -> Component" refers Environment 4 Component
check "References: Registry -> Component" refers Registry 6 Component
check "References: CreateFolder -> Component" refers CreateFolder 2 Component
echo "$failures MSI check(s) failed"
[ "$failures" = 0 ]
