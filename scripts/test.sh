#!/usr/bin/env bash
# Sets up, builds both builds and runs every test: native (with sanitizers), Windows (under Wine) and,
# where the fuzz preset has targets, a short fuzzing run. Ends with one line counting passed and failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 2

status=0
rm -rf build/native/test-reports build/windows/test-reports build/format
for preset in native windows; do
    echo "== $preset build"
    if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j 2; }; then
        echo "$preset build failed"; status=1; continue
    fi
    echo "== $preset tests"
    ctest --preset "$preset" || status=1
done
if [ -f fuzz/CMakeLists.txt ]; then
    echo "== fuzzing"
    bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}" || status=1
fi
echo "== format"
bash scripts/format-check.sh build/format || status=1
python3 scripts/summary.py build/native/test-reports build/windows/test-reports build/fuzz/reports build/format \
    || status=1
exit $status
