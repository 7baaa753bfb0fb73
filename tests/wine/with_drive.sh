#!/usr/bin/env bash
# Runs one command while a simulated drive serves Wine's COM99, which the command
# finds named in DS_WINE_COM.
#
#   tests/wine/with_drive.sh LINUX_BUILD COMMAND...
set -uo pipefail
linux_build=$(realpath "$1"); shift
: "${WINEPREFIX:?}"
work=$(mktemp -d)
source "$(dirname "$0")/drive.sh"
trap 'stop_drive; rm -rf "$work"' EXIT
start_drive
DS_WINE_COM=$com "$@"
