#!/usr/bin/env bash
# Times a search through the window itself under Wine against mirolan-cli.exe over the same catalogs,
# in the same run: about 100 MB of generated catalogs (Windows paths, code-page 1251 names, CR LF)
# and a query that yields some 200,000 lines. Prints both times, their ratio and how often the result
# pane redrew while it filled. Run after the Windows build: bash bench/bench_window.sh [BUILD_FOLDER]
set -uo pipefail
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a bash "$0" "$@" # the window needs a display; a virtual one serves
fi
build=$(realpath "${1:-build/windows}")
work=$(mktemp -d /tmp/mirolan-window-XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all LC_ALL=ru_RU.UTF-8
bash "$(dirname "$0")/../scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null

cp "$build/src/app/mirolan.exe" "$build/src/cli/mirolan-cli.exe" "$build/tests/e2e/mirolan-e2e-driver.exe" "$work/"
mkdir "$work/catalogs"
python3 - "$work/catalogs" <<'PY'
import random, sys
random.seed(7)
folders = ["Backup", "Music", "Photos", "Install", "Documents", "Projects", "Archive", "Video", "Work",
           "\xd4\xee\xf2\xee", "\xc4\xee\xea\xf3\xec\xe5\xed\xf2\xfb", "\xcc\xf3\xe7\xfb\xea\xe0"]
stems = ["IMG_", "track ", "report_", "setup_", "readme", "DSC", "song ", "\xee\xf2\xf7\xb8\xf2_"]
extensions = [".jpg", ".mp3", ".doc", ".exe", ".txt", ".pdf", ".zip", ".avi", ".dll", ".htm", ".JPG", ".DOC"]
for n in range(20):
    path = ["%s:" % "CDEFGHIJKLMNOPQRSTUV"[n]]
    lines, size = [], 0
    while size < 5_000_000:
        step = random.randrange(100)
        if step < 8 and len(path) > 1:
            path.pop()
            continue
        if step < 20 and len(path) < 7:
            path.append(random.choice(folders))
            line = "\\".join(path)
        else:
            line = "\\".join(path) + "\\" + random.choice(stems) + str(random.randrange(10000)) + random.choice(extensions)
        lines.append(line)
        size += len(line) + 2
    with open("%s/disk%02d.txt" % (sys.argv[1], n), "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("latin-1"))
PY
printf '[Options]\r\nListPath=catalogs\r\n' > "$work/mirolan.ini"
cd "$work"
query='\.(mp3|doc)$'
echo "catalogs: $(du -sm catalogs | cut -f1) MB in $(ls catalogs | wc -l) files; query $query"

best_cli=1000
for _ in 1 2 3; do
    start=$(date +%s.%N)
    wine ./mirolan-cli.exe search "$query" > cli.txt
    end=$(date +%s.%N)
    best_cli=$(echo "$start $end $best_cli" | LC_ALL=C awk '{ t = $2 - $1; print (t < $3 ? t : $3) }')
done
echo "mirolan-cli.exe search: $best_cli s (whole process under Wine, best of 3), $(grep -c '' cli.txt) lines"

wine ./mirolan.exe &
app=$!
wine ./mirolan-e2e-driver.exe show >/dev/null
best_window=1000
for _ in 1 2 3; do
    out=$(wine ./mirolan-e2e-driver.exe time-search "$query" cli.txt | tr -d '\r')
    echo "window: $out"
    seconds=$(echo "$out" | sed -n 's/.*filled in \([0-9.]*\) s.*/\1/p')
    best_window=$(echo "$seconds $best_window" | LC_ALL=C awk '{ print ($1 < $2 ? $1 : $2) }')
done
wine ./mirolan-e2e-driver.exe menu-close >/dev/null || kill "$app"
wait "$app" 2>/dev/null || true
echo "window / terminal: $(echo "$best_window $best_cli" | LC_ALL=C awk '{ printf "%.2f", $1 / $2 }') (best $best_window s against $best_cli s)"
