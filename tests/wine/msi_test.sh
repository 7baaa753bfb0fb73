#!/usr/bin/env bash
# The Windows installer and the portable zip under Wine, as a technician uses
# them: install silently, run both installed programs (the command-line one
# against a simulated drive behind COM99), install a newer MSI over it, remove
# it, then run the zip unpacked into a folder with a Korean name and a space.
# Takes the MSI and the zip from WINDOWS_BUILD/package (the windows-package
# target); makes the newer MSI itself. Needs a display (xvfb-run) for the window.
#
#   tests/wine/msi_test.sh LINUX_BUILD WINDOWS_BUILD
set -uo pipefail
cd "$(dirname "$0")/../.."
linux_build=$(realpath "$1")
build_win=$(realpath "$2")
wine=/usr/lib/wine/wine64
export WINEPREFIX="$build_win/wine-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# A Wine started without a display cannot draw the window: start afresh on this one.
"$(dirname "$wine")/wineserver" -k 2>/dev/null || true
"$(dirname "$wine")/wineserver" -w 2>/dev/null || true

product="Quorvel Drive Setting Program"
package=$build_win/package
msi=$(ls "$package"/drive-setting-*.msi 2>/dev/null | head -1)
[ -n "$msi" ] || { echo "no MSI in $package (build the windows-package target)"; exit 1; }
version=${msi##*/drive-setting-}
version=${version%.msi}
zip=$package/drive-setting-$version-portable.zip
drive_c=$WINEPREFIX/drive_c
program_dir="$drive_c/Program Files/$product"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
work=$(mktemp -d)
source tests/wine/drive.sh

failures=0
check() {  # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok    $what"; else echo "FAIL  $what"; failures=$((failures + 1)); fi
}
# Wine's stdout stays held by wineserver: every run writes to files.
wine_run() { "$wine" "$@" >"$work/out" 2>"$work/err"; local code=$?; sed -i 's/\r$//' "$work/out" "$work/err"; return $code; }
windows_path() {
  local path=$1
  if [[ $path == "$drive_c"/* ]]; then path="C:${path#"$drive_c"}"; else path="Z:$path"; fi
  echo "${path//\//\\}"
}
msiexec() { wine_run msiexec "$1" "$(windows_path "$2")" /qn; }
start_menu() {  # the product's Start menu folder: all users', or (as Wine puts it) the user's
  local common="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$product"
  local own="$appdata/Microsoft/Windows/Start Menu/Programs/$product"
  if [ -e "$common" ]; then echo "$common"; else echo "$own"; fi
}
# Our entries in Apps and Features, by name: "{PRODUCT-CODE} VERSION" lines.
entries() {
  wine_run reg query "$uninstall_key" /s
  awk -v p="$product" '/^HKEY_/ { key = $0; sub(/.*\\/, "", key) } { sub(/^ +/, "") }
    $1 == "DisplayName" && substr($0, index($0, "REG_SZ") + 10) == p { ours[key] = 1 }
    $1 == "DisplayVersion" { version[key] = $3 } END { for (k in ours) print k, version[k] }' "$work/out"
}
# value KEY NAME: one registry value's data.
value() {
  wine_run reg query "$1" /v "$2" || return 1
  awk -v n="$2" '{ sub(/^ +/, "") } $1 == n { sub(/^[^ ]+ +[^ ]+ +/, ""); print }' "$work/out"
}
# Everything the registry holds, as text, for what a run left in it.
registry_text() {
  wine_run reg export HKLM "$(windows_path "$work/hklm.reg")" /y
  wine_run reg export HKCU "$(windows_path "$work/hkcu.reg")" /y
  iconv -f UTF-16LE -t UTF-8 "$work/hklm.reg" "$work/hkcu.reg" 2>/dev/null | tr -d '\r'
}
same_files() {  # same_files FOLDER [STAGE]: the package's files, byte for byte
  local file
  for file in "${2:-$package/stage}"/*; do cmp -s "$file" "$1/$(basename "$file")" || { echo "      differs: $1/$(basename "$file")"; return 1; }; done
}
cli_info() {  # cli_info EXE: info against the simulated drive; the output in $work/info
  tests/wine/with_drive.sh "$linux_build" "$wine" "$1" info --port COM99 >"$work/info" 2>&1
}
# window_quits EXE: the window comes up and ends by itself, with 0.
window_quits() { timeout 120 "$wine" "$1" --quit-after-start >"$work/window.out" 2>&1; }
# The window sets a Config.ini of garbage aside before reading it: where it does
# so is where the program keeps its settings.
garbage() { printf 'x\0y' >"$1"; }
not() { ! "$@"; }

# A failed run may leave the program installed: taken away before and after.
remove_all() {
  local code
  for code in $(entries | cut -d' ' -f1); do wine_run msiexec /x "$code" /qn; done
}
cleanup() {
  stop_drive
  remove_all
  rm -rf "$work" "$portable_parent"
}
portable_parent="$drive_c/휴대용 설정 도구"
trap cleanup EXIT

wine_run cmd /c echo %APPDATA%
appdata=$("$wine" winepath -u "$(cat "$work/out")" 2>/dev/null)
settings=$appdata/drive-setting
rm -rf "$settings" "$portable_parent"
remove_all
started=$SECONDS
# Wine's msi takes an entry out of PATH but leaves its ';', and Wine's cmd stops
# searching at an empty entry: a prefix that saw earlier runs is tidied first.
environment_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
squeeze() { sed -E 's/;+/;/g; s/;$//'; }
system_path=$(value "$environment_key" PATH | squeeze)
wine_run reg add "$environment_key" /v PATH /t REG_EXPAND_SZ /d "$system_path" /f

echo "-- install $msi"
check "msiexec /i, silent" msiexec /i "$msi"
check "every file in Program Files\\$product" same_files "$program_dir"
check "Start menu: the window and the command prompt" \
  test -f "$(start_menu)/$product.lnk" -a -f "$(start_menu)/Drive Setting Command Prompt.lnk"
product_code=$(msiinfo export "$msi" Property | sed 's/\r$//' | awk -F'\t' '$1 == "ProductCode" { print $2 }')
check "Apps and Features: one entry, under the product code, with this version" \
  test "$(entries)" = "$product_code $version"
key="$uninstall_key\\$product_code"
check "Apps and Features: the publisher" test "$(value "$key" Publisher)" = "Quorvel Motion Co., Ltd."
check "Apps and Features: the size, in KiB" test "$(value "$key" Size)" -gt 1000
# Windows shows the icon the installer keeps for the product.
wine_run reg query 'HKLM\Software\Classes\Installer\Products' /s
icon=$(awk -v p="$product" '/^HKEY_/ { mine = 0 } { sub(/^ +/, "") }
  $1 == "ProductName" && substr($0, index($0, "REG_SZ") + 10) == p { mine = 1 }
  $1 == "ProductIcon" { icon = $0; sub(/^[^ ]+ +[^ ]+ +/, "", icon) } mine && icon != "" { print icon; exit }' "$work/out")
check "Apps and Features: the product's icon" test -f "$("$wine" winepath -u "${icon:-none}" 2>/dev/null)"
on_path() { wine_run cmd /c drive-setting-cli --version && grep -qx "drive-setting-cli version $version" "$work/out"; }
check "the program's folder on the system PATH: a new prompt finds drive-setting-cli" on_path
check "the installed command-line program reads the drive through COM99" cli_info "$(windows_path "$program_dir/drive-setting-cli.exe")"
check "  ... with the installed description file" grep -qF "Description file: C:/Program Files/$product/ParamDefault.xml" "$work/info"
mkdir -p "$settings"
garbage "$settings/Config.ini"
garbage "$program_dir/Config.ini"
check "the installed window starts and quits" window_quits "$(windows_path "$program_dir/drive-setting.exe")"
check "  ... keeping its settings under %APPDATA%, not in Program Files" \
  test -f "$settings/Config.ini.bad" -a ! -e "$settings/Config.ini" -a ! -e "$program_dir/Config.ini.bad"
rm -f "$program_dir/Config.ini"

echo "-- a newer version over it"
# Only the fourth part higher, as the project numbers its builds: Windows Installer
# compares three parts, so this is the case where the old one could stay beside.
IFS=. read -r major minor patch tweak <<<"$version"
next_version=$major.$minor.$patch.$((${tweak:-0} + 1))
DS_MSI_OWN_VERSION=1 scripts/windows-package.sh "$build_win" "$next_version" "$work/next" >"$work/next.log" 2>&1 ||
  { cat "$work/next.log"; exit 1; }
next_msi=$work/next/drive-setting-$next_version.msi
printf '[COMM]\r\nPort=7\r\nBaudrate=57600\r\n' >"$settings/Config.ini"
cp "$settings/Config.ini" "$work/users-config"
check "msiexec /i of $next_version, silent" msiexec /i "$next_msi"
next_code=$(msiinfo export "$next_msi" Property | sed 's/\r$//' | awk -F'\t' '$1 == "ProductCode" { print $2 }')
check "Apps and Features: one entry, the newer one" test "$(entries)" = "$next_code $next_version"
check "the files are the newer package's" same_files "$program_dir" "$work/next/stage"
check "the user's Config.ini is kept" cmp -s "$work/users-config" "$settings/Config.ini"

echo "-- remove it"
check "msiexec /x, silent" msiexec /x "$next_msi"
check "nothing left in Program Files" test ! -e "$program_dir"
check "nothing left in the Start menu" test ! -e "$(start_menu)"
check "no entry in Apps and Features" test -z "$(entries)"
check "no uninstall key" not wine_run reg query "$uninstall_key\\$next_code"
registry_text >"$work/registry.txt"
check "PATH as it was before" test "$(value "$environment_key" PATH | squeeze)" = "$system_path"
check "nothing of it left in the registry, PATH included" not grep -iqF -e "$product" -e "Quorvel Motion" "$work/registry.txt"
check "the user's %APPDATA% folder stays" cmp -s "$work/users-config" "$settings/Config.ini"
rm -rf "$settings"

echo "-- the PATH option left out"
check "msiexec /i with the program alone, silent" wine_run msiexec /i "$(windows_path "$msi")" ADDLOCAL=Program /qn
check "drive-setting-cli is not on the system PATH" not on_path
# The Start menu's prompt, as its shortcut starts it (/c instead of /k, to end).
prompt=$(msiinfo export "$msi" Shortcut | sed 's/\r$//' | awk -F'\t' '$1 == "CliShortcut" { print $6 }')
prompt=${prompt//\[INSTALLDIR\]/C:\\Program Files\\$product\\}
prompt=${prompt#/k \"}
prompt_runs_cli() { wine_run cmd /c "${prompt%\"}" && grep -q "^Usage: drive-setting-cli" "$work/out"; }
check "the Start menu's command prompt runs drive-setting-cli all the same" prompt_runs_cli
check "msiexec /x, silent" msiexec /x "$msi"
check "no entry in Apps and Features" test -z "$(entries)"
check "nothing left in Program Files" test ! -e "$program_dir"

echo "-- the portable zip in \"${portable_parent#"$drive_c/"}\""
mkdir -p "$portable_parent"
unzip -q "$zip" -d "$portable_parent"
portable="$portable_parent/drive-setting-$version"
check "the zip holds the installer's files" same_files "$portable"
check "  ... and a README" test -s "$portable/README.txt"
check "its command-line program reads the drive through COM99" cli_info "$(windows_path "$portable/drive-setting-cli.exe")"
check "  ... with the description file beside it" grep -qF "Description file: ${portable_parent/"$drive_c"/C:}/drive-setting-$version/ParamDefault.xml" "$work/info"
garbage "$portable/Config.ini"
check "its window starts and quits" window_quits "$(windows_path "$portable/drive-setting.exe")"
check "  ... keeping its settings beside itself, none under %APPDATA%" \
  test -f "$portable/Config.ini.bad" -a ! -e "$settings"
registry_text >"$work/registry.txt"
check "nothing of it in the registry" not grep -iqF -e "drive-setting" -e "휴대용" "$work/registry.txt"

echo "$failures case(s) failed in $((SECONDS - started)) s"
[ "$failures" = 0 ]
