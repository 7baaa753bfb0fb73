#!/usr/bin/env bash
# The Windows command-line program under Wine against the simulated drive, case by
# case beside the Linux program on the same drive: each case must end with the same
# exit code and the same messages on both. Wine's COM99 is a link to the simulated
# drive's pseudo-terminal; the Linux program reaches it through a ports file.
#
#   tests/wine/compare_cli.sh LINUX_BUILD WINDOWS_BUILD
set -uo pipefail
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
wine=/usr/lib/wine/wine64
export WINEPREFIX="$windows_build/wine-prefix"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
source "$(dirname "$0")/drive.sh"
server_pid=""
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null; server_pid=""; }
trap 'stop_server; stop_drive; rm -rf "$work"' EXIT

linux_cli() { (cd "$work" && "$linux_build/bin/drive-setting-cli" --ports-file "$work/ports" "$@"); }
windows_cli() { (cd "$work" && "$wine" "$windows_build/bin/drive-setting-cli.exe" "$@"); }

failures=0
# run NAME ARGS...: both programs, then exit codes and standard error compared.
# Standard output is compared too.
run() {
  local name=$1; shift
  linux_cli "$@" >"$work/l.out" 2>"$work/l.err"; local lcode=$?
  windows_cli "$@" >"$work/w.out" 2>"$work/w.err"; local wcode=$?
  sed -i 's/\r$//' "$work/w.out" "$work/w.err"
  # The programs' own folders differ; the file they picked must not.
  sed -i -E 's|^(Description file: ).*/|\1|' "$work/l.out" "$work/w.out"
  local verdict=""
  [ "$lcode" = "$wcode" ] || verdict="exit $lcode on Linux, $wcode on Windows"
  cmp -s "$work/l.err" "$work/w.err" || verdict="$verdict; messages differ"
  cmp -s "$work/l.out" "$work/w.out" || verdict="$verdict; output differs"
  if [ -z "$verdict" ]; then
    echo "ok    $name (exit $lcode)"
  else
    echo "FAIL  $name: $verdict"
    diff "$work/l.err" "$work/w.err" | head -5
    diff "$work/l.out" "$work/w.out" | head -5
    failures=$((failures + 1))
  fi
}
expect() {  # expect NAME CODE ARGS...: the Windows program alone
  local name=$1 code=$2; shift 2
  windows_cli "$@" >"$work/w.out" 2>"$work/w.err"; local wcode=$?
  if [ "$wcode" = "$code" ]; then echo "ok    $name (exit $wcode)"; else
    echo "FAIL  $name: exit $wcode, expected $code"; sed 's/\r$//' "$work/w.err" | head -3
    failures=$((failures + 1)); fi
}

"$wine" wineboot -i >/dev/null 2>&1 || true
start_drive
run "info" info --port COM$com
run "get" get --port COM$com 0 1 2
run "set" set --port COM$com --yes 2=3
run "save" save --port COM$com backup.dpf
cp "$work/backup.dpf" "$work/설정 백업.dpf"
run "load" load --port COM$com --yes backup.dpf
run "load, Korean path" load --port COM$com --yes "설정 백업.dpf"
run "save, Korean path" save --port COM$com "드라이브.dpf"
run "diff" diff --port COM$com backup.dpf
run "diff, Korean messages" --lang ko diff --port COM$com backup.dpf
touch "$work/locked.dpf" && chmod a-w "$work/locked.dpf"
run "save to a read-only file" save --port COM$com locked.dpf
run "load a missing file" load --port COM$com --yes missing.dpf
# Linux has no device for COM98 and says to map one; Windows names every COM
# number itself and says to plug the adapter in: the advice differs, the code not.
expect "port with nothing behind it" 3 info --port COM98
run "motor DB export" motordb export --port COM$com motor.txt
# A control byte inside an answer: the value read is refused, nothing is written.
stop_drive
start_drive --answer 'OKY6\x100' --answer-to MDA
run "a control byte inside an answer" set --port COM$com --yes 16.4=3
stop_drive
start_drive --answer 'OKYQ\x00\xff' --answer-to VER
run "a NUL in the version answer" info --port COM$com
stop_drive
start_drive
# The same drive behind ser2net on the loopback address (RFC 2217), reached by
# both programs over the network instead of the COM port.
net_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/ser2net.yaml" <<EOF
%YAML 1.1
---
connection: &drive
  accepter: telnet(rfc2217),tcp,127.0.0.1,$net_port
  connector: serialdev,$WINEPREFIX/dosdevices/com$com,115200n81,local
  options:
    chardelay: false
EOF
ser2net -n -u -P "$work/ser2net.pid" -c "$work/ser2net.yaml" >"$work/ser2net.out" 2>&1 &
server_pid=$!
listening=$(printf '0100007F:%04X' "$net_port")
for _ in $(seq 50); do awk '{print $2, $4}' /proc/net/tcp | grep -q "^$listening 0A" && break; sleep 0.1; done
run "info through ser2net" info --port "rfc2217://127.0.0.1:$net_port"
run "load through ser2net" load --port "rfc2217://127.0.0.1:$net_port" --yes backup.dpf
stop_server
# The drive hangs up in the middle of a long import: the link gives the port up,
# and once the drive is back the next run starts afresh.
# One version line, then a value that changes at every line (a value the drive
# holds already would not be sent).
{ head -1 "$work/motor.txt"; for i in $(seq 2000); do printf 'mad21\r\nmda%d\r\n' $((i % 2 + 1)); done; } >"$work/long.txt"
windows_cli motordb import --port COM$com --yes long.txt >/dev/null 2>"$work/w.err" &
import_pid=$!
sleep 4
stop_drive
wait $import_pid; code=$?
if [ $code = 3 ]; then echo "ok    hang-up mid-import (exit 3)"; else
  echo "FAIL  hang-up mid-import: exit $code, expected 3"; sed 's/\r$//' "$work/w.err" | head -3
  failures=$((failures + 1)); fi
expect "no drive after the hang-up" 3 info --port COM$com
start_drive
expect "drive back: the next run starts afresh" 0 info --port COM$com
stop_drive

echo "$failures case(s) failed"
[ $failures = 0 ]
