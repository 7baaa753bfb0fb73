#!/usr/bin/env bash
# Makes the Windows installer (MSI, with wixl) and the portable zip from a
# mingw-w64 build, checks the MSI's tables (scripts/msi-check.sh) and prints the
# sizes. The build's `windows-package` target calls it with the project's version.
#
#   scripts/windows-package.sh BUILD_WIN VERSION [OUT_DIR]   (default BUILD_WIN/package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "$1")
version=$2
out=$(realpath -m "${3:-$build/package}")
max_msi_bytes=$((5 * 1024 * 1024))
fail() { echo "windows-package FAILED: $*" >&2; exit 1; }
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || fail "not a version: $version"

rm -rf "$out"
mkdir -p "$out/stage"
stage=$out/stage
# The build keeps debug information in the programs; a user needs none of it.
# strip stamps the time into the program's header: the last commit's, so the same
# build makes the same files.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}
for exe in drive-setting drive-setting-cli; do
  [ -f "$build/bin/$exe.exe" ] || fail "no $build/bin/$exe.exe (build the drive-setting and drive-setting-cli targets)"
  x86_64-w64-mingw32-strip -o "$stage/$exe.exe" "$build/bin/$exe.exe"
done
cp resources/ParamDefault.xml resources/ParamDefault_QM71.xml "$stage/"
sed 's/$/\r/' packaging/copyright >"$stage/LICENSE.txt"
cp "$build/winui/drive-setting.ico" "$out/"

msi=$out/drive-setting-$version.msi
# wixl takes its sources relative to where it runs.
size_kib=$(du -sk --apparent-size "$stage" | cut -f1)
(cd "$out" && wixl -a x64 -D Version="$version" -D Stage=stage -D Icon=drive-setting.ico -D SizeKiB="$size_kib" \
  -o "$msi" "$OLDPWD/packaging/drive-setting.wxs") || fail "wixl"

# What this wixl leaves out of the source, added to its tables afterwards:
# the PATH entry (WiX's Environment element: set at install, taken away at
# removal, the system's PATH, appended) and its two actions; the same version's
# replacement (MajorUpgrade's AllowSameVersionUpgrades: an inclusive upper bound,
# as Windows Installer compares only the first three parts); and the program's
# feature, which the user may not leave out.
patch_table() {  # patch_table TABLE AWK_PROGRAM: export, edit the rows, import
  msiinfo export "$msi" "$1" | awk -F'\t' -v OFS='\t' '{ sub(/\r$/, "") } NR <= 3 { print; next } '"$2"' { print }' \
    >"$out/$1.idt"
  msibuild "$msi" -i "$out/$1.idt" || fail "msibuild could not take $1"
}
printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n%s\n' \
  $'PathEntry\t=-*PATH\t[~];[INSTALLDIR]\tCliOnPath' >"$out/Environment.idt"
msibuild "$msi" -i "$out/Environment.idt" || fail "msibuild could not take Environment"
msibuild "$msi" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)"
msibuild "$msi" -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)"
patch_table Upgrade '$7 == "WIX_UPGRADE_DETECTED" { $5 = 513 }'
patch_table Feature '$1 == "Program" { $8 = 16 }'
rm -f "$out"/*.idt

scripts/msi-check.sh "$msi" "$version" "$stage" || fail "the MSI's tables"

msi_bytes=$(stat -c %s "$msi")
echo "MSI: $msi, $msi_bytes bytes ($((msi_bytes / 1024)) KiB)"
[ "$msi_bytes" -lt "$max_msi_bytes" ] || fail "the MSI is over 5 MB"

folder=drive-setting-$version
mkdir -p "$out/zip/$folder"
cp "$stage"/* "$out/zip/$folder/"
sed "s/@VERSION@/$version/; s/$/\r/" packaging/portable-README.txt >"$out/zip/$folder/README.txt"
zip_file=$out/drive-setting-$version-portable.zip
(cd "$out/zip" && zip -q -X -9 -r "$zip_file" "$folder")
rm -rf "$out/zip"
echo "portable zip: $zip_file, $(stat -c %s "$zip_file") bytes ($(($(stat -c %s "$zip_file") / 1024)) KiB)"
