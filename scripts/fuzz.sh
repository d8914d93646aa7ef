#!/usr/bin/env bash
# Builds the fuzz targets and runs each for the given number of seconds, starting from its seed corpus.
# Each run is one case of build/fuzz/reports/fuzz.xml.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 || exit 1
mkdir -p build/fuzz/reports
cases=""; failures=0
for source in fuzz/fuzz_*.cpp; do
    [ -e "$source" ] || continue
    name=$(basename "$source" .cpp)
    work=build/fuzz/corpus/$name
    mkdir -p "$work"
    [ -d "fuzz/corpus/$name" ] && cp -n "fuzz/corpus/$name"/* "$work"/ 2>/dev/null
    echo "-- $name for ${seconds}s"
    if build/fuzz/fuzz/$name -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix=build/fuzz/ "$work" > "build/fuzz/$name.log" 2>&1; then
        tail -n 2 "build/fuzz/$name.log"
        cases+="<testcase classname=\"fuzz\" name=\"$name\"/>"
    else
        tail -n 40 "build/fuzz/$name.log"
        cases+="<testcase classname=\"fuzz\" name=\"$name\"><failure message=\"crash\"/></testcase>"
        failures=$((failures + 1))
    fi
done
echo "<testsuite name=\"fuzz\">$cases</testsuite>" > build/fuzz/reports/fuzz.xml
[ $failures = 0 ]
