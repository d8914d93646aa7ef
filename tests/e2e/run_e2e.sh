#!/usr/bin/env bash
# Runs mirolan.exe from a folder of its own, with a prepared settings file and catalog folder, and
# drives it step by step with the driver. Needs an X display (run it under xvfb-run -a) and WINEPREFIX.
# Writes a JUnit report with one case per step, and screenshots of the window's client area into the
# run folder (screenshot.png, screenshot-search.png, screenshot-help.png).
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
cp "$cli" "$run/mirolan-cli.exe"
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
    if [ $status -ne 0 ] && [ -z "$output" ]; then
        # The driver ended without a word, not even a failed check: Wine did not run it through, which
        # tells nothing of the program. Once more, and the status goes into the report.
        output=$(wine ./driver.exe "$@" 2>&1)
        status=$?
        [ $status -eq 0 ] || output="$output (the driver ended twice with status $status)"
    fi
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
# The search run: ticked by the space bar, started by Enter and by the button, compared with what
# mirolan-cli prints for the same catalogs in the list's order.
# music.txt as PowerShell writes it (UTF-16LE with a mark), docs.txt as DIR /B /S writes it in a Russian
# console (code page 866): both are searched in the ANSI code page.
{ printf '\xff\xfe'; printf 'D:\\\xcc\xf3\xe7\xfb\xea\xe0\\\xce\xf2\xf7\xb8\xf2 2020.doc\r\nD:\\Music\\song.mp3\r\nD:\\mp3\\track.mp3\r\nD:\\Docs\\readme' |
    iconv -f CP1251 -t UTF-16LE; } > catalogs/music.txt  # D:\Музыка\Отчёт 2020.doc; a line with two matches; a last line without a break
printf 'C:\\Docs\\\xee\xf2\xf7\xe5\xf2.doc\r\nC:\\Docs\\report.doc\r\n' | iconv -f CP1251 -t CP866 > catalogs/docs.txt
# A runaway attempt is made where a later branch matches: a line, or a start in one, where no match
# begins is ruled out before any attempt.
awk 'BEGIN { for (i = 0; i < 3000; i++) printf "C:\\long\\file %d.txt\r\naaaaaaaaaaaaaaaaaaaaaa ab\r\n", i }' > catalogs/long.txt
# One runaway line, then enough text that the step budget lets the search run on for seconds.
awk 'BEGIN { printf "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa ab\r\n"; for (i = 0; i < 1000000; i++) printf "C:\\bin\\file%06d.txt\r\n", i }' \
    > catalogs/runaway.txt
printf 'C:\\locked\\file.txt\r\n' > catalogs/locked.txt
step search-catalogs-listed refresh CD01.txt CD07.txt CD09.txt hidden.lst music.txt docs.txt long.txt runaway.txt locked.txt
step tick-by-space-bar tick music.txt docs.txt
mapfile -t ticked < <(wine ./driver.exe list-order music.txt docs.txt | tr -d '\r')
search_case() { # name, how, expression
    wine ./mirolan-cli.exe search "$3" "${ticked[@]/#/catalogs\\}" > "expected-$1.txt" 2>/dev/null
    step "$1" search "$2" "$3" "expected-$1.txt"
}
search_case search-plain-by-enter enter 'report'
search_case search-cyrillic-case-insensitive button 'ОТЧ[ЁЕ]Т'
# Both lines in code page 1251, whatever the encoding of their catalog.
grep -q $'\xce\xf2\xf7\xb8\xf2 2020.doc' expected-search-cyrillic-case-insensitive.txt &&
    grep -q $'\xee\xf2\xf7\xe5\xf2.doc' expected-search-cyrillic-case-insensitive.txt
record listings-read-in-the-ansi-code-page $? "$(od -c expected-search-cyrillic-case-insensitive.txt | head)"
search_case search-two-matches-on-a-line enter 'mp3'
search_case search-last-line-without-break button 'readme'
search_case search-no-match enter 'nowhere'
search_case search-faulty-expression enter '(unbalanced'
step history-keeps-each-expression-once history-now '\.mp3$' 'report.*\.doc$' 'a=b' report 'ОТЧ[ЁЕ]Т' mp3 readme nowhere '(unbalanced'
search_case search-again-in-other-case button 'REPORT'
search_case search-for-the-screenshot button '\.(doc|mp3)$'
import -window root -crop "$area" +repage screenshot-search.png 2>/dev/null
step tick-the-long-catalog tick long.txt
step stop-by-button stop button 'file|(a|a)+b|a+ ab' 3000
step stop-by-escape stop escape 'file|(a|a)+b|a+ ab' 3000
step refresh-stops-a-run-first stop refresh 'file|(a|a)+b|a+ ab' 3000
step tick-the-runaway-catalog tick runaway.txt
step stop-inside-one-match stop-runaway '(a|a)+b|a+ ab'
step tick-before-the-locked-catalog tick music.txt locked.txt
mapfile -t ticked < <(wine ./driver.exe list-order music.txt locked.txt | tr -d '\r')
# The folder's order decides whether music.txt's lines come before the error.
step locked-catalog-in-the-error-box locked-catalog 'catalogs\locked.txt' 'mp3' "$([ "${ticked[0]}" = music.txt ] && echo 1 || echo 0)"
step anchors-follow-a-resize anchors
step tab-order tab
step help-three-times help
import -window root -crop "$area" +repage screenshot-help.png 2>/dev/null
# Presets: catalogs ticked from the keyboard, kept under a Cyrillic name, picked again; "*" and "Del".
printf 'x' > catalogs/Диск.txt
step presets-catalogs refresh CD01.txt CD07.txt CD09.txt hidden.lst music.txt docs.txt long.txt runaway.txt locked.txt Диск.txt
step preset-add preset-add Музыка CD07.txt Диск.txt
step preset-pick-ticks-its-catalogs preset-pick Музыка CD07.txt Диск.txt
step toggle-all toggle-all
step preset-add-second preset-add books CD01.txt
step preset-del-needs-a-pick preset-del books books Музыка
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
# A catalog reached by a symbolic link (which a Windows program cannot make under Wine) is packed at
# the link's target, and the link stays.
mkdir linked
cp tree.expected linked/real.txt
ln -s real.txt linked/link.txt
wine "$cli" pack 'linked\link.txt' >/dev/null 2>&1
if [ -L linked/link.txt ] && [ "$(head -c 8 linked/real.txt)" = Uni_Data ]; then r=0; else r=1; fi
record pack-through-a-link-packs-its-target $r "$(ls -l linked)"
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
step menu-update-on-the-catalogs-folder act menu=NEW.txt choose=update browse="$tree"
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
printf '[Options]\r\nListPath=catalogs\r\n[Presets]\r\n\xCC\xF3\xE7\xFB\xEA\xE0=,CD07.TXT,\xC4\xC8\xD1\xCA.TXT,\r\n[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\na=b=\r\nreport=\r\n\xce\xd2\xd7[\xa8\xc5]\xd2=\r\nmp3=\r\nreadme=\r\nnowhere=\r\n(unbalanced=\r\n\\.(doc|mp3)$=\r\nfile|(a|a)+b|a+ ab=\r\n(a|a)+b|a+ ab=\r\n' \
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
