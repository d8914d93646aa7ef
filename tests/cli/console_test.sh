#!/usr/bin/env bash
# Runs the Windows mirolan-cli.exe under Wine as a Russian user meets it: the arguments from the wide
# command line, a console in the OEM code page 866 given characters, and output redirected to a file
# or a pipe in the ANSI code page (1251), byte for byte. Needs LC_ALL=ru_RU.UTF-8 and WINEPREFIX, as
# CTest sets them.
# Usage: console_test.sh PATH-TO-mirolan-cli.exe
set -u
wine=${WINE:-wine}
work=$(mktemp -d)
# The Wine server this test started, without a display, ends before the test does: a program started
# soon after on an X display (the window's test) would otherwise join it and get no windows.
trap 'timeout 60 wineserver -w || wineserver -k; rm -rf "$work"' EXIT
suite=cli-console
. "$(dirname "$0")/checks.sh"

cd "$work"
cp "$1" mirolan-cli.exe
cp1251() { iconv -f UTF-8 -t CP1251; }
printf 'C:\\Документы\\Отчёт 2020.doc\r\nC:\\Документы\\ОТЧЁТ-2.doc\r\nC:\\a\\Bar.doc\r\n' | cp1251 >ru.txt
found='\n ------ Found in disk : ru.txt\nC:\\Документы\\Отчёт 2020.doc\nC:\\Документы\\ОТЧЁТ-2.doc\n'

# Status, then the program's arguments: it runs in a console of code page 866 (cmd's chcp) on the
# terminal that script(1) makes, and Wine hands what the console shows to that terminal in UTF-8.
# $work/raw keeps the console's escape sequences; $work/out is the text without them and without CR.
console_is() {
    local expected=$1; shift
    script -qec "$wine cmd /c \"chcp 866 >nul & mirolan-cli.exe $*\"" /dev/null >"$work/raw" 2>&1
    local status=$?
    sed -E 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/raw" | tr -d '\r' >"$work/out"
    [ $status = "$expected" ]
}
shows() { printf "$1" | cmp -s "$work/out" -; }
cli() { "$wine" mirolan-cli.exe "$@"; }

check "console: a lower-case Cyrillic expression finds both cases" console_is 0 search --color=never 'отчёт' ru.txt
check "  ... the lines readable" shows "$found"
check "  ... no colour with --color=never" bash -c "! grep -qF \$'\\e[01;31m' '$work/raw'"
check "console: an upper-case one too" console_is 0 search --color=never 'ОТЧЁТ' ru.txt
check "  ... the same lines" shows "$found"
check "console: the colour of --color=auto" console_is 0 search 'ОТЧЁТ' ru.txt
check "  ... around readable characters" grep -qF $'\e[01;31mОтчёт\e[m 2020.doc' raw
check "console: -c" console_is 0 search -c 'отчёт' ru.txt
check "  ... the name and the count" shows 'ru.txt:2\n'
check "console: -l" console_is 0 search -l 'отчёт' ru.txt
check "  ... the name" shows 'ru.txt\n'
check "console: -q" console_is 0 search -q 'отчёт' ru.txt
check "  ... nothing printed" shows ''
check "console: -q with no match, status 1" console_is 1 search -q 'zzz' ru.txt
check "console: a missing Cyrillic catalog, status 2" console_is 2 search a 'Нет.txt'
check "  ... named readably on standard error" shows 'mirolan-cli: Нет.txt: no such catalog\n'
check "console: --raw gives the console the bytes" console_is 0 search --raw --color=never 'ОТЧЁТ' ru.txt
check "  ... which code page 866 garbles" grep -qF "$(printf 'Документы' | cp1251 | iconv -f CP866 -t UTF-8)" out
check "console: output redirected to a file" console_is 0 search 'ОТЧЁТ' ru.txt '>found.txt'
check "  ... holds the ANSI bytes as the window's pane does, CR LF" \
    cmp -s found.txt <(printf "${found//\\n/\\r\\n}" | cp1251)
check "into a pipe: the same bytes" bash -c "'$wine' mirolan-cli.exe search 'отчёт' ru.txt | cmp -s found.txt -"

check "a character the ANSI code page lacks: status 2, not a best fit that finds Bar" status_is 2 cli search 'Bär' ru.txt
check "  ... named" grep -qF 'code page 1251 has no U+00E4 (in "B?r")' err
check "  ... nothing printed" test ! -s out
check "one beyond 16 bits: status 2" status_is 2 cli search 'Отчёт😀' ru.txt
check "  ... named by its code point" grep -qF 'code page 1251 has no U+1F600' err
finish
