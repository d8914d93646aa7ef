#!/usr/bin/env bash
# Runs mirolan.exe from a folder of its own, with a prepared settings file and catalog folder, and
# drives it step by step with the driver. Needs an X display (run it under xvfb-run -a) and WINEPREFIX.
# Writes a JUnit report with one case per step, and screenshots of the window's client area into the
# run folder (screenshot.png, screenshot-help.png).
set -uo pipefail
exe=${1:?usage: run_e2e.sh MIROLAN_EXE DRIVER_EXE RUN_FOLDER REPORT}
driver=${2:?}
run=${3:?}
report=${4:?}

rm -rf "$run"
mkdir -p "$run/catalogs/archive" "$(dirname "$report")"
cp "$exe" "$run/mirolan.exe"
cp "$driver" "$run/driver.exe"
cd "$run"
printf 'C:\\CD01\r\n' > catalogs/CD01.txt
printf 'C:\\CD07\r\n' > catalogs/CD07.txt
printf 'x' > catalogs/hidden.lst
printf 'x' > catalogs/.old
printf 'x' > catalogs/archive/inner.txt
wine cmd /c attrib +h 'catalogs\hidden.lst' >/dev/null 2>&1
# An expression with "=" in it, another section and a foreign entry, all as a user might leave them.
printf '[Options]\r\nListPath=catalogs\r\n[Extra]\r\nfoo=bar\r\n[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\na=b=\r\n' \
    > mirolan.ini
cp mirolan.ini settings.before

cases=()
failed=0
record() { # name, status, output
    local text
    text=$(printf '%s' "$3" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g')
    if [ "$2" -eq 0 ]; then
        cases+=("<testcase classname=\"e2e\" name=\"$1\"/>")
    else
        cases+=("<testcase classname=\"e2e\" name=\"$1\"><failure message=\"$1 failed\">$text</failure></testcase>")
        failed=$((failed + 1))
    fi
    echo "$1: $([ "$2" -eq 0 ] && echo ok || echo FAILED) $3"
}
step() { # name, driver arguments...
    local name=$1 output status
    shift
    output=$(wine ./driver.exe "$@" 2>&1)
    status=$?
    record "$name" $status "$output"
}

wine ./mirolan.exe &
app=$!

step hidden-at-start hidden
step shown-by-hot-key show
step every-control-at-its-place layout
step catalog-list-without-dot-files-and-folders catalogs CD01.txt CD07.txt hidden.lst
printf 'x' > catalogs/CD09.txt
step refresh-list refresh CD01.txt CD07.txt CD09.txt hidden.lst
step search-history-from-settings history '\.mp3$' 'report.*\.doc$' 'a=b'
sleep 1
area=$(wine ./driver.exe client-area 2>/dev/null | tr -d '\r')
import -window root -crop "$area" +repage screenshot.png 2>/dev/null
record screenshot $? "$area"
step anchors-follow-a-resize anchors
step tab-order tab
step help-three-times help
import -window root -crop "$area" +repage screenshot-help.png 2>/dev/null
# Presets: catalogs ticked from the keyboard, kept under a Cyrillic name, picked again; "*" and "Del".
printf 'x' > catalogs/Диск.txt
step presets-catalogs refresh CD01.txt CD07.txt CD09.txt hidden.lst Диск.txt
step preset-add preset-add Музыка CD07.txt Диск.txt
step preset-pick-ticks-its-catalogs preset-pick Музыка CD07.txt Диск.txt
step toggle-all toggle-all
step preset-add-second preset-add books CD01.txt
step preset-del-needs-a-pick preset-del books books Музыка
step close-request-hides close
if kill -0 "$app" 2>/dev/null && cmp -s mirolan.ini settings.before; then
    record close-keeps-running-and-writes-nothing 0 ""
else
    record close-keeps-running-and-writes-nothing 1 "process gone or settings file changed"
fi
step shown-again-by-hot-key show
step escape-hides escape
step tray-double-click-shows tray-double-click
step tray-double-click-hides tray-double-click
step menu-open-shows menu-open
step end-session-then-close-ends end-session
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    record process-ends 1 "still running"
    kill "$app"
else
    record process-ends 0 ""
fi
step hot-key-given-back hot-key-free
printf '[Options]\r\nListPath=catalogs\r\n[Presets]\r\n\xCC\xF3\xE7\xFB\xEA\xE0=,CD07.TXT,\xC4\xC8\xD1\xCA.TXT,\r\n[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\na=b=\r\n' \
    > settings.expected
if cmp -s mirolan.ini settings.expected; then
    record settings-written-in-order 0 ""
else
    record settings-written-in-order 1 "$(od -c mirolan.ini | head -20)"
fi

# A restart reads the preset back: typing its first letters picks it, and it is written again.
wine ./mirolan.exe &
app=$!
step restart-hidden hidden
step preset-after-restart preset-type му Музыка CD07.txt Диск.txt
step restart-menu-close menu-close
wait "$app"
if cmp -s mirolan.ini settings.expected; then
    record presets-written-again 0 ""
else
    record presets-written-again 1 "$(od -c mirolan.ini | head -20)"
fi

# A second run without a settings file: the defaults, the folder LIST made, and "Close" from the tray menu.
rm -f mirolan.ini
wine ./mirolan.exe &
app=$!
step defaults-without-settings history
step menu-close-ends menu-close
wait "$app"
if [ -d LIST ] && printf '[Options]\r\nListPath=LIST\r\n' | cmp -s - mirolan.ini; then
    record defaults-written-and-folder-made 0 ""
else
    record defaults-written-and-folder-made 1 "$(ls -la; od -c mirolan.ini 2>&1 | head -5)"
fi

{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo "<testsuites><testsuite name=\"e2e-windows\" tests=\"${#cases[@]}\" failures=\"$failed\">"
    printf '%s\n' "${cases[@]}"
    echo '</testsuite></testsuites>'
} > "$report"
[ "$failed" -eq 0 ]
