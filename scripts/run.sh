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
cd build/windows/src/app
if [ -n "${DISPLAY:-}" ]; then
    exec wine ./mirolan.exe
else
    exec xvfb-run -a wine ./mirolan.exe
fi
