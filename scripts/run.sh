#!/usr/bin/env bash
# Sets up, builds the Windows program and starts it under Wine on this desktop (or a virtual one when
# there is no display), with its settings file and catalog folder beside it in build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j 2
export WINEPREFIX="$PWD/build/wineprefix-run" WINEDEBUG=-all
bash scripts/wine-prefix.sh "$WINEPREFIX"
repository=$PWD
cd build/windows/src/app
# A first run gets something to search at once: catalogs of this machine's own folders. Later runs
# leave the catalog folder alone.
if [ -z "$(ls -A LIST 2>/dev/null)" ]; then
    mkdir -p LIST
    echo "First run: making sample catalogs in $PWD/LIST"
    for sample in "mirolan-source.txt $repository/src" "usr.txt /usr"; do
        set -- $sample
        wine ../cli/mirolan-cli.exe create "$(winepath -w "$2")" "LIST\\$1"
    done
fi
if [ -n "${DISPLAY:-}" ]; then
    exec wine ./mirolan.exe
else
    exec xvfb-run -a wine ./mirolan.exe
fi
