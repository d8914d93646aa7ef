#!/usr/bin/env bash
# Runs mirolan-cli search on real catalogs and checks what it prints and its exit statuses.
# Usage: search_test.sh PATH-TO-mirolan-cli
set -u
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
suite=cli-search
. "$(dirname "$0")/checks.sh"
# Bytes as they are unless a row asks for a UTF-8 locale: the catalogs here are in code page 1251.
export LC_ALL=C

cd "$work"
mkdir LIST
printf 'C:\\Music\r\nC:\\Music\\a.mp3\r\nC:\\Music\\music.MP3\r\nC:\\Docs\\report.doc' >LIST/CD01.txt
printf 'D:\\Video\\b.avi\r\n' >LIST/CD02.txt
printf 'E:\\\xd4\xee\xf2\xee\\\xee\xf2\xef\xf3\xf1\xea.jpg\r\n' >LIST/CD03.txt
cp LIST/CD01.txt packed.txt && "$cli" pack packed.txt

expect() { printf "$@" >"$work/expected"; cmp -s "$work/out" "$work/expected"; }

check "a match prints an empty line, the heading and the line" status_is 0 "$cli" search 'a\.mp3' LIST/CD01.txt
check "  ... exactly" expect '\n ------ Found in disk : CD01.txt\nC:\\Music\\a.mp3\n'
check "the default modifiers ignore case and take \$ at line ends" status_is 0 "$cli" search '\.mp3$' LIST/CD01.txt
check "  ... both lines" expect '\n ------ Found in disk : CD01.txt\nC:\\Music\\a.mp3\nC:\\Music\\music.MP3\n'
check "-m passes the modifier string: case counts without i" status_is 0 "$cli" search -m rgm-isx 'MP3' LIST/CD01.txt
check "  ... one line" expect '\n ------ Found in disk : CD01.txt\nC:\\Music\\music.MP3\n'
check "a line with two matches is printed twice" status_is 0 "$cli" search 'music' LIST/CD01.txt
check "  ... four lines after the heading" test "$(tail -n +3 out | wc -l)" = 4
# Blank lines between 40,000 others: each line break's match cuts the line after it, so empty and
# named lines take turns across many blocks of output.
for i in $(seq 1 20000); do printf 'C:\\x%05d\r\n\r\n' "$i"; done >blank.txt
check "a match on an empty line prints an empty line" status_is 0 "$cli" search -m rgm-isx '\n' blank.txt
check "  ... every other one, after a block of output too" test "$(tail -n +3 out | sed -n '1~2p' | grep -c .)" = 0
check "the last line without a line break is printed whole" status_is 0 "$cli" search 'report' LIST/CD01.txt
check "  ... to its last character" expect '\n ------ Found in disk : CD01.txt\nC:\\Docs\\report.doc\n'
check "a packed catalog is searched like a plain one" status_is 0 "$cli" search 'report' packed.txt
check "  ... headed by its file name" expect '\n ------ Found in disk : packed.txt\nC:\\Docs\\report.doc\n'
check "Cyrillic under /i" status_is 0 "$cli" search $'\xce\xd2\xcf\xd3\xd1\xca' LIST/CD03.txt
check "  ... finds the lower-case name" grep -q $'\xee\xf2\xef\xf3\xf1\xea' out
check "only catalogs with matches get a heading" status_is 0 "$cli" search 'avi' LIST/CD01.txt LIST/CD02.txt
check "  ... the second one's" expect '\n ------ Found in disk : CD02.txt\nD:\\Video\\b.avi\n'
check "without catalogs every catalog of the folder is searched" status_is 0 "$cli" search 'C:|D:'
check "  ... in list order, two headings" test "$(grep -c 'Found in disk' out)" = 2
check "nothing matched: status 1 and no output" status_is 1 "$cli" search 'zzz' LIST/CD01.txt
check "  ... empty" test ! -s out
check "a missing catalog is named: status 2" status_is 2 "$cli" search 'a' LIST/none.txt
check "  ... on standard error" grep -q 'LIST/none.txt: no such catalog' err
check "a folder is no catalog: status 2" status_is 2 "$cli" search 'a' LIST
check "  ... named" grep -q 'LIST: a folder, not a catalog' err
printf 'Uni_Data\x03\0\0\0' >damaged.txt
check "a damaged catalog is named and the rest searched: status 2" status_is 2 "$cli" search 'avi' damaged.txt LIST/CD02.txt
check "  ... the good one's lines" expect '\n ------ Found in disk : CD02.txt\nD:\\Video\\b.avi\n'
check "  ... the damaged one named with the reader's error" grep -q 'damaged.txt: Stream read error' err
{ printf 'C:\\a.txt\r\n'; head -c 6000000 /dev/zero | tr '\0' 'a'; printf 'c\r\n'; } >deep.txt
check "a search cut short by a bound keeps its lines: status 2" status_is 2 "$cli" search -m rgm-isx 'a\.txt|(a|b)*c' deep.txt
check "  ... the line before" expect '\n ------ Found in disk : deep.txt\nC:\\a.txt\n'
check "  ... and says why" grep -q 'deep.txt: search cut short: the expression needs more backtracking memory' err
check "-l reads a catalog only to its first match, as grep does: the later bound is not reached" status_is 0 "$cli" search -l -m rgm-isx 'a\.txt|(a|b)*c' deep.txt
check "  ... the catalog named" expect 'deep.txt\n'
check "-q likewise: status 0" status_is 0 "$cli" search -q -m rgm-isx 'a\.txt|(a|b)*c' deep.txt
many=(LIST/CD01.txt damaged.txt LIST/none.txt LIST/CD02.txt packed.txt deep.txt LIST/CD03.txt LIST)
status_is 2 "$cli" search -j 1 -m rgm-isx 'avi|report|mp3|a\.txt|(a|b)*c' "${many[@]}"; cp out one.out; cp err one.err
check "-j 3 prints what -j 1 prints, in the same order" status_is 2 "$cli" search -j 3 -m rgm-isx 'avi|report|mp3|a\.txt|(a|b)*c' "${many[@]}"
check "  ... the same lines" cmp -s out one.out
check "  ... the same complaints in the same order" cmp -s err one.err
check "  ... of every catalog that was searched" test "$(grep -c 'Found in disk' out)" = 4
status_is 2 "$cli" search -j 1 -c 'avi|report|mp3' "${many[@]}"; cp out one.out
check "-j 3 -c counts as -j 1 -c, in the same order" status_is 2 "$cli" search -j 3 -c 'avi|report|mp3' "${many[@]}"
check "  ... the same counts" cmp -s out one.out
status_is 0 "$cli" search -j 1 'avi' LIST/CD01.txt LIST/CD02.txt LIST/CD01.txt ./LIST/CD01.txt; cp out one.out
check "-j 3 searches a catalog named three times three times, as -j 1" status_is 0 "$cli" search -j 3 'avi' LIST/CD01.txt LIST/CD02.txt LIST/CD01.txt ./LIST/CD01.txt
check "  ... the same lines" cmp -s out one.out
# Long lines, each printed once per digit: each catalog prints far more than a catalog on a thread may
# keep while another prints, so the threads wait for their turns.
awk 'BEGIN { name = sprintf("%200s", ""); gsub(/ /, "a", name)
             for (i = 0; i < 20000; ++i) printf "C:\\%s\\%05d\r\n", name, i }' >long_lines.txt
heavy=(long_lines.txt)
for i in 2 3 4 5; do cp long_lines.txt long_lines$i.txt && heavy+=(long_lines$i.txt); done
status_is 0 "$cli" search -j 1 '\d' "${heavy[@]}"; cp out one.out
check "-j 3 prints what -j 1 prints when each catalog prints 21 MB" status_is 0 "$cli" search -j 3 '\d' "${heavy[@]}"
check "  ... the same lines" cmp -s out one.out
check "  ... every one" test "$(wc -l <out)" = $((5 * (20000 * 5 + 2)))
check "-j 3 into a full device: status 2, and no thread left waiting" timeout 60 bash -c '"$0" search -j 3 "\\d" "$@" >/dev/full 2>full.err; test $? = 2' "$cli" "${heavy[@]}"
check "  ... says why" grep -q 'Stream write error' full.err
check "-j needs a number from 1: status 2" status_is 2 "$cli" search -j 0 'a' LIST/CD01.txt
check "a faulty expression: status 2, nothing printed" status_is 2 "$cli" search '(abc' LIST/CD01.txt
check "  ... empty" test ! -s out
check "  ... the engine's message on standard error" grep -q 'pos' err
check "a bad modifier letter: status 2" status_is 2 "$cli" search -m 'q' 'a' LIST/CD01.txt
check "-c: NAME:COUNT for each catalog searched, a line with two matches counted once" status_is 0 "$cli" search -c 'music|avi' LIST/CD01.txt LIST/CD02.txt LIST/CD03.txt
check "  ... exactly" expect 'CD01.txt:3\nCD02.txt:1\nCD03.txt:0\n'
check "-c with nothing matched: status 1" status_is 1 "$cli" search -c 'zzz' LIST/CD01.txt
check "  ... the zero count" expect 'CD01.txt:0\n'
check "-l: the names of catalogs with matches" status_is 0 "$cli" search -l 'avi|report' LIST/CD01.txt LIST/CD02.txt LIST/CD03.txt
check "  ... exactly" expect 'CD01.txt\nCD02.txt\n'
check "-q: a match, status 0 and nothing printed" status_is 0 "$cli" search -q 'avi' LIST/CD02.txt
check "  ... empty" test ! -s out
check "-q: nothing matched, status 1" status_is 1 "$cli" search -q 'zzz' LIST/CD02.txt
check "-q: a missing catalog, status 2" status_is 2 "$cli" search -q 'avi' LIST/none.txt
check "--color=always sets off the heading and the match" status_is 0 "$cli" search --color=always 'b\.a' LIST/CD02.txt
check "  ... exactly" expect '\n\033[35m ------ Found in disk : CD02.txt\033[m\nD:\\Video\\\033[01;31mb.a\033[m\x76i\n'
check "--color=always with NO_COLOR set still colours" status_is 0 env NO_COLOR=1 "$cli" search --color=always 'avi' LIST/CD02.txt
check "  ... the match" grep -qF $'\033[01;31mavi' out
check "--color=auto into a file is plain" status_is 0 "$cli" search --color=auto 'avi' LIST/CD02.txt
check "  ... as without the flag" expect '\n ------ Found in disk : CD02.txt\nD:\\Video\\b.avi\n'
if command -v script >/dev/null; then
    check "--color by default on a terminal colours" sh -c 'script -qec "$1 search avi LIST/CD02.txt" /dev/null | grep -qF "$(printf "\033[01;31mavi")"' - "$cli"
    check "  ... but not under NO_COLOR" sh -c '! NO_COLOR=1 script -qec "$1 search avi LIST/CD02.txt" /dev/null | grep -qF "$(printf "\033[")"' - "$cli"
fi
check "--color=sometimes: status 2" status_is 2 "$cli" search --color=sometimes 'avi' LIST/CD02.txt
printf 'C:\\a-m\r\n' >dash.txt
check "-- ends the options: an expression that begins with -" status_is 0 "$cli" search -- '-m' dash.txt
check "  ... is searched" expect '\n ------ Found in disk : dash.txt\nC:\\a-m\n'
check "an unknown option: status 2" status_is 2 "$cli" search -x 'avi' LIST/CD02.txt
check "  ... names it" grep -q 'no option "-x"' err
utf=(env LC_ALL=ru_RU.UTF-8 "$cli")
check "a UTF-8 locale: a capital Cyrillic expression finds the 1251 line" status_is 0 "${utf[@]}" search 'ОТПУСК' LIST/CD03.txt
check "  ... printed in UTF-8" expect '\n ------ Found in disk : CD03.txt\nE:\\Фото\\отпуск.jpg\n'
printf 'E:\\\xd4\xee\xf2\xee\\\xee\xf2\xef\xf3\xf1\xea\\2020 summer holiday.jpg\r\n' >long.txt
check "  ... a line that ends in more ASCII than a block holds" status_is 0 "${utf[@]}" search 'summer' long.txt
check "  ... exactly" expect '\n ------ Found in disk : long.txt\nE:\\Фото\\отпуск\\2020 summer holiday.jpg\n'
check "  ... a line once per match, each in UTF-8, in every catalog" status_is 0 "${utf[@]}" search 'о' LIST/CD03.txt LIST/CD03.txt
check "  ... exactly" expect '\n ------ Found in disk : CD03.txt\nE:\\Фото\\отпуск.jpg\nE:\\Фото\\отпуск.jpg\nE:\\Фото\\отпуск.jpg\n\n ------ Found in disk : CD03.txt\nE:\\Фото\\отпуск.jpg\nE:\\Фото\\отпуск.jpg\nE:\\Фото\\отпуск.jpg\n'
check "  ... and a small-letter one the capital Ф" status_is 0 "${utf[@]}" search 'фото' LIST/CD03.txt
check "  ... small letters with case counting" status_is 0 "${utf[@]}" search -m rgm-isx 'отпуск' LIST/CD03.txt
check "  ... case counts without i: no match for the capitals" status_is 1 "${utf[@]}" search -m rgm-isx 'ФОТО' LIST/CD03.txt
check "  ... the 1251 bytes of the expression are no UTF-8: status 2" status_is 2 "${utf[@]}" search $'\xee\xf2' LIST/CD03.txt
check "  ... said so" grep -q 'is not UTF-8' err
check "a character code page 1251 cannot hold: status 2" status_is 2 "${utf[@]}" search 'отпуск中' LIST/CD03.txt
check "  ... named" grep -qF 'code page 1251 has no "中" (U+4E2D)' err
check "  ... nothing printed" test ! -s out
check "--raw: the expression's bytes as they are" status_is 0 "${utf[@]}" search --raw $'\xce\xd2\xcf' LIST/CD03.txt
check "  ... and the line's" grep -qF $'\xee\xf2\xef\xf3\xf1\xea' out
check "  ... so UTF-8 finds nothing" status_is 1 "${utf[@]}" search --raw 'отпуск' LIST/CD03.txt
printf 'C:\\M\xfcller\\\xff.txt\r\n' >west.txt # C:\Müller\ÿ.txt in code page 1252
check "--code-page 1252: a West-European name in capitals" status_is 0 "${utf[@]}" search --code-page 1252 'MÜLLER\\Ÿ' west.txt
check "  ... printed in UTF-8" expect '\n ------ Found in disk : west.txt\nC:\\Müller\\ÿ.txt\n'
check "  ... but code page 1251 has no Ü" status_is 2 "${utf[@]}" search 'MÜLLER' west.txt
check "--code-page 437: status 2" status_is 2 "${utf[@]}" search --code-page 437 'a' west.txt
check "-c and the names under a UTF-8 locale" status_is 0 "${utf[@]}" search -c 'фото' LIST/CD03.txt
check "  ... exactly" expect 'CD03.txt:1\n'
check "no expression: status 2 with the usage" status_is 2 "$cli" search
check "  ... usage" grep -q 'Usage: mirolan-cli search' err
finish
