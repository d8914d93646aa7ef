# Shared by the command-line tests: `check` runs one named check and records it, `status_is` runs a
# command with its output in $work/out and $work/err and compares its exit status, `finish` writes the
# JUnit report (when REPORT is set) and ends with the number of failures.
failures=0
cases=""

check() { # description, then a command that must succeed
    local what=$1; shift
    local name=${what//&/and}; name=${name//</ }; name=${name//>/ }; name=${name//\"/\'}
    if "$@"; then
        echo "ok   $what"
        cases+="<testcase classname=\"${suite:-cli}\" name=\"$name\"/>"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
        cases+="<testcase classname=\"${suite:-cli}\" name=\"$name\"><failure message=\"failed\"/></testcase>"
    fi
}

status_is() { # expected status, command...
    local expected=$1; shift
    "$@" >"$work/out" 2>"$work/err"
    [ $? = "$expected" ]
}

finish() {
    [ -n "${REPORT:-}" ] && echo "<testsuite name=\"${suite:-cli}\">$cases</testsuite>" >"$REPORT"
    echo "$failures failed"
    [ $failures = 0 ]
}
