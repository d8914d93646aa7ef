#!/usr/bin/env bash
# Runs mirolan.exe from a folder of its own, with a prepared settings file and catalog folder, and
# drives it step by step with the driver. Needs an X display (run it under xvfb-run -a) and WINEPREFIX.
# Writes a JUnit report with one case per step, and screenshots of the window's client area into the
# run folder (screenshot.png, screenshot-help.png).
set -uo pipefail
exe=${1:?usage: run_e2e.sh MIROLAN_EXE DRIVER_EXE RUN_FOLDER REPORT CLI_EXE}
driver=${2:?}
run=${3:?}
report=${4:?}
cli=${5:?}

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
same() { # name, file, expected file
    if cmp -s "$2" "$3"; then
        record "$1" 0 ""
    else
        record "$1" 1 "$2 differs from $3: $(od -c "$2" 2>&1 | head -5)"
    fi
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
# Catalog creation through the program's dialogs, and the catalog list's menu. A catalog made in the
# window must equal what mirolan-cli makes of the same folder.
mkdir -p tree/Docs tree/Music
printf 'a' > tree/a.txt
printf 'x' > tree/Docs/x.doc
printf 'm' > tree/Music/song.mp3
tree=$(winepath -w "$PWD/tree" 2>/dev/null)
wine "$cli" create "$tree" tree.expected >/dev/null 2>&1
cp tree.expected catalogs/PACKED.txt
wine "$cli" pack 'catalogs\PACKED.txt' >/dev/null 2>&1
wine "$cli" pack 'catalogs\CD07.txt' >/dev/null 2>&1
printf 'C:\\CD01\r\n' > cd01.expected
step create-browser-cancel-refreshes act create browse-cancel refreshed
step create-name-cancel act create browse="$tree" name-cancel not-refreshed
step create-empty-name-from-tray act create-tray browse="$tree" name-empty not-refreshed
step create-new-catalog act create browse="$tree" name=NEW.txt refreshed
same create-writes-the-walk catalogs/NEW.txt tree.expected
step create-yes-replaces-packed act create browse="$tree" name=CD07.txt yes refreshed
same create-replaced-by-plain catalogs/CD07.txt tree.expected
step create-no-then-new-name act create browse="$tree" name=CD01.txt no name=NEW2.txt refreshed
same create-no-keeps-the-file catalogs/CD01.txt cd01.expected
same create-under-the-new-name catalogs/NEW2.txt tree.expected
step create-no-then-same-name-asks-again act create browse="$tree" name=CD01.txt no name=CD01.txt cancel \
    not-refreshed
same create-cancel-keeps-the-file catalogs/CD01.txt cd01.expected
step create-into-a-missing-folder-fails act create browse="$tree" 'name=nowhere\x.txt' \
    error='Cannot create file "' not-refreshed
step shown-for-the-menu show
step menu-plain act 'states=catalogs\NEW.txt:1,1,1,0' menu=NEW.txt current=NEW.txt choose=list
step list-shows-plain pane tree.expected
step menu-packed act 'states=catalogs\PACKED.txt:1,1,0,1' menu=PACKED.txt current=PACKED.txt choose=list
step list-shows-packed pane tree.expected
step menu-below-keeps-current act menu=CD01.txt choose=none menu-below current=CD01.txt choose=none
step menu-from-keyboard act menu-key choose=list
step list-from-keyboard pane cd01.expected
cp catalogs/NEW.txt new.before
step tick-for-packing tick NEW.txt CD01.txt
step menu-compress act menu=NEW.txt choose=compress
if [ "$(head -c 8 catalogs/NEW.txt)" = Uni_Data ]; then r=0; else r=1; fi
record compress-packs $r "$(head -c 8 catalogs/NEW.txt | od -c)"
step menu-decompress-after-compress act 'states=catalogs\NEW.txt:1,1,0,1' menu=NEW.txt choose=decompress
same decompress-gives-the-bytes-back catalogs/NEW.txt new.before
step menu-compress-after-decompress act 'states=catalogs\NEW.txt:1,1,1,0'
step ticks-stay-across-packing ticked NEW.txt CD01.txt
step locked-catalog-cannot-be-packed act lock='catalogs\NEW.txt' menu=NEW.txt choose=compress \
    error='Cannot open file "'
same locked-catalog-stays catalogs/NEW.txt new.before
rm tree/Music/song.mp3
printf 'n' > tree/Docs/new.doc
printf ' ------ New in NEW.txt :\r\n%s\\Docs\\new.doc\r\n\r\n ------ Gone from NEW.txt :\r\n%s\\Music\\song.mp3\r\n' \
    "$tree" "$tree" > update.expected
wine "$cli" create "$tree" tree.after >/dev/null 2>&1
step menu-update-on-the-catalogs-folder act menu=NEW.txt choose=update browse-keep
step update-shows-the-changes pane update.expected
same update-writes-a-fresh-walk catalogs/NEW.txt tree.after
step ticks-stay-across-update ticked NEW.txt CD01.txt
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
printf '[Options]\r\nListPath=catalogs\r\n[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\na=b=\r\n' > settings.expected
if cmp -s mirolan.ini settings.expected; then
    record settings-written-in-order 0 ""
else
    record settings-written-in-order 1 "$(od -c mirolan.ini | head -20)"
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
