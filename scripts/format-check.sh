#!/usr/bin/env bash
# Checks every tracked C++ file against .clang-format; writes a JUnit report with one case per file
# that is off, or one passing case, into the folder given.
set -uo pipefail
cd "$(dirname "$0")/.."
reports=${1:?usage: format-check.sh REPORT_FOLDER}
mkdir -p "$reports"
cases=""; failures=0
while IFS= read -r file; do
    if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (clang-format -i $file)"
        cases+="<testcase classname=\"format\" name=\"$file\"><failure message=\"not formatted\"/></testcase>"
        failures=$((failures + 1))
    fi
done < <(git ls-files '*.cpp' '*.h')
[ $failures = 0 ] && cases="<testcase classname=\"format\" name=\"every file as .clang-format says\"/>"
echo "<testsuite name=\"format\">$cases</testsuite>" > "$reports/format.xml"
[ $failures = 0 ]
