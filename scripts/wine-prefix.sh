#!/usr/bin/env bash
# Creates the Wine prefix that the Windows tests run in, once; later calls return at once.
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX}
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
fi
