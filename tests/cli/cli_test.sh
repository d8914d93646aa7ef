#!/usr/bin/env bash
# Runs mirolan-cli on real files and checks its output, the files it leaves and its exit statuses.
# Usage: cli_test.sh PATH-TO-mirolan-cli
set -u
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
suite=cli
. "$(dirname "$0")/checks.sh"
# Bytes as they are unless a row asks for a UTF-8 locale: the catalogs here are in code page 1251.
export LC_ALL=C

cd "$work"
printf 'C:\\Windows\r\nC:\\\xc4\xee\xea\xf3\xec\xe5\xed\xf2\xfb\\a.txt\r\nlast line, no CR LF' >plain.txt
cp plain.txt original.txt

check "list prints a plain catalog byte for byte" status_is 0 "$cli" list plain.txt
check "  ... the same bytes" cmp -s out original.txt
check "pack succeeds" status_is 0 "$cli" pack plain.txt
check "  ... the file is now a Uni_Data container" test "$(head -c 8 plain.txt)" = "Uni_Data"
check "list prints a packed catalog unpacked" status_is 0 "$cli" list plain.txt
check "  ... the same bytes" cmp -s out original.txt
check "unpack succeeds" status_is 0 "$cli" unpack plain.txt
check "  ... gives back the file byte for byte" cmp -s plain.txt original.txt
check "list of a missing catalog fails with status 2" status_is 2 "$cli" list missing.txt
check "  ... and says why on standard error" grep -q 'Cannot open file ".*missing.txt"' err
check "  ... and prints nothing" test ! -s out

# Listings other tools write: the same lines, found and printed in code page 1251, files kept as they are.
ansi=$'C:\\\xce\xf2\xf7\xb8\xf2 2020.doc\r\nD:\\M?ller\r\n'   # C:\Отчёт 2020.doc, D:\Müller
utf8='C:\Отчёт 2020.doc\r\nD:\Müller\r\n'
{ printf '\xff\xfe'; printf "$utf8" | iconv -f UTF-8 -t UTF-16LE; } >utf16le.txt
{ printf '\xfe\xff'; printf "$utf8" | iconv -f UTF-8 -t UTF-16BE; } >utf16be.txt
printf "$utf8" >utf8.txt
printf "$utf8" | iconv -f UTF-8 -t CP866 -c >oem.txt
{ printf 'Filename,Size,Date Modified,Date Created,Attributes\r\n'
  printf '"C:\\Отчёт 2020.doc",1,0,0,32\r\n"D:\\Müller",,0,0,16\r\n'; } >everything.efu
for listing in utf16le:UTF-16LE utf16be:UTF-16BE utf8:UTF-8 oem:'OEM (code page 866)' everything:'UTF-8, Everything file list'; do
    file=${listing%%:*}.txt; [ -f "$file" ] || file=${listing%%:*}.efu
    cp "$file" "$file.orig"
    check "list --encoding of $file" status_is 0 "$cli" list --encoding "$file"
    check "  ... names ${listing#*:}" test "$(cat out)" = "${listing#*:}"
    check "  ... search finds the Cyrillic line in any letter case" status_is 0 "$cli" search $'\xee\xd2\xd7\xb8\xd2' "$file"
    check "  ... and prints it in code page 1251" grep -qxF $'C:\\\xce\xf2\xf7\xb8\xf2 2020.doc' out
    expected=$ansi; [ "$file" = oem.txt ] && expected=${ansi/M?ller/Mller}
    check "  ... list prints the text in code page 1251" status_is 0 "$cli" list "$file"
    check "  ... the same lines" test "$(cat out)" = "$(printf '%s' "$expected")"
    check "  ... pack and unpack give the file back byte for byte" \
        sh -c '"$1" pack "$2" && "$1" unpack "$2" && cmp -s "$2" "$2.orig"' - "$cli" "$file"
done
check "list --encoding of a catalog the program made" status_is 0 "$cli" list --encoding original.txt
check "  ... is ANSI" test "$(cat out)" = "ANSI (code page 1251)"

printf 'Uni_Data\x03\0\0\0\x11\0\0\0' >broken
cp broken broken.orig
check "pack of a broken container fails with status 2" status_is 2 "$cli" pack broken
check "  ... with the reader's error" grep -q 'Stream read error' err
check "  ... and leaves the file as it was" cmp -s broken broken.orig

mkdir -p LIST/sub other
: >LIST/CD01.txt; : >LIST/.hidden-name; : >LIST/sub/inner.txt; : >other/X.txt
check "catalogs lists the files of a folder, not dot files or subfolders" status_is 0 "$cli" catalogs LIST
check "  ... one a line" test "$(cat out)" = "CD01.txt"
mkdir tool; cp "$cli" tool/
check "catalogs of a folder that is not there: status 2" status_is 2 "$cli" catalogs nowhere
check "  ... named" grep -q 'Cannot find folder ".*nowhere"' err
check "catalogs defaults to LIST without mirolan.ini beside the tool" status_is 0 tool/mirolan-cli catalogs
check "  ... LIST's catalogs" test "$(cat out)" = "CD01.txt"
printf '[Presets]\r\nListPath=LIST\r\n[options]\r\n listpath = %s \r\n' "$work/other" >tool/mirolan.ini
check "catalogs defaults to ListPath of mirolan.ini beside the tool" status_is 0 tool/mirolan-cli catalogs
check "  ... that folder's catalogs" test "$(cat out)" = "X.txt"

mkdir -p tree/a/b; : >tree/a/b/f.txt; : >tree/top.txt
check "create walks a tree into a catalog" status_is 0 "$cli" create tree cat.txt
here=$(pwd | tr / '\\')
check "  ... every entry by its full path, backslashes throughout, a CR LF after each" test "$(sort cat.txt | tr -d '\r' | tr '\n' '|')" = "$here\\tree\\a|$here\\tree\\a\\b|$here\\tree\\a\\b\\f.txt|$here\\tree\\top.txt|"
check "  ... CR LF endings" test "$(grep -c $'\r$' cat.txt)" = 4
cp cat.txt cat.orig
: >tree/new.txt
check "create refuses to overwrite without --force" status_is 2 "$cli" create tree cat.txt
check "  ... says so" grep -q 'already exists' err
check "  ... and leaves the file" cmp -s cat.txt cat.orig
check "create --force overwrites" status_is 0 "$cli" create --force tree cat.txt
check "  ... with the new tree" grep -q 'new.txt' cat.txt
mkdir -p 'имена/Отчёт' && : >'имена/Отчёт/Müller 中.txt'
check "create under a UTF-8 locale: the names in code page 1251" status_is 0 env LC_ALL=ru_RU.UTF-8 "$cli" create имена names.txt
check "  ... \"?\" for what it cannot hold" grep -qF "$(printf '\\\xce\xf2\xf7\xb8\xf2\\M?ller ?.txt')" names.txt
check "  ... and found again by a Cyrillic search" status_is 0 env LC_ALL=ru_RU.UTF-8 "$cli" search 'отчЁт\\m' names.txt
check "create --code-page 1252 keeps the West-European letter" status_is 0 env LC_ALL=ru_RU.UTF-8 "$cli" create --force --code-page 1252 имена names.txt
check "  ... as its 1252 byte" grep -qF "$(printf '\\?????\\M\xfcller ?.txt')" names.txt
check "create --raw keeps the file system's bytes" status_is 0 env LC_ALL=ru_RU.UTF-8 "$cli" create --force --raw имена names.txt
check "  ... UTF-8" grep -qF 'имена\Отчёт\Müller 中.txt' names.txt
check "create of a missing folder fails" status_is 2 "$cli" create nowhere x.txt

check "--help succeeds" status_is 0 "$cli" --help
check "  ... and names the commands" grep -q 'catalogs' out
check "a command's --help succeeds" status_is 0 "$cli" pack --help
check "an unknown command fails with status 2" status_is 2 "$cli" frobnicate
check "wrong arguments fail with status 2" status_is 2 "$cli" list a b
check "no command fails with status 2" status_is 2 "$cli"

finish
