// Times `mirolan-cli search -j 1` against GNU grep -P and ripgrep -j1 over 20 generated catalogs (over
// 100 MB of Windows paths, code-page 1251 names, CR LF) and one of long lines, each family of
// expressions with expressions of the same meaning and all three printing the matching lines; prints
// one table of times, ratios, line counts and peak memory, measured in the same run (best of five):
// wall time, and the processor time of the processes, which other work on the machine disturbs less;
// then both on every core by default (mirolan's -j and ripgrep's own choice), wall time; the peak
// memory of mirolan -j 1 and of its -j.
//
// bench_search [--cli PATH] [--keep FOLDER] [--runs N] [FAMILY ...]: FAMILY picks the families whose
// names contain it; --keep writes the catalogs to FOLDER and leaves them there, for profiling.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kCatalogs = 20;

// A small deterministic generator, so every run searches the same catalogs.
struct Random {
    unsigned long long state = 0x2545F4914F6CDD1Dull;
    unsigned Next(unsigned bound) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<unsigned>(state % bound);
    }
    template <class T, std::size_t N> const T& Pick(const T (&items)[N]) { return items[Next(N)]; }
};

// Folder and file words, some Cyrillic (code page 1251 bytes).
const char* const kFolders[] = {
    "Backup",
    "Music",
    "Photos",
    "Install",
    "Documents",
    "Projects",
    "Archive",
    "Video",
    "Work",
    "Old",
    "Program Files",
    "Drivers",
    "Games",
    "Books",
    "Scans",
    "Reports",
    "Temp",
    "Mail",
    "Web",
    "Source",
    "\xd4\xee\xf2\xee",                     // Фото
    "\xc4\xee\xea\xf3\xec\xe5\xed\xf2\xfb", // Документы
    "\xcc\xf3\xe7\xfb\xea\xe0",             // Музыка
    "\xce\xf2\xef\xf3\xf1\xea",             // Отпуск
    "\xd0\xe0\xe1\xee\xf2\xe0",             // Работа
    "\xc0\xf0\xf5\xe8\xe2",                 // Архив
};
const char* const kStems[] = {"IMG_",
                              "track ",
                              "report_",
                              "setup_",
                              "readme",
                              "letter ",
                              "invoice_",
                              "DSC",
                              "song ",
                              "chapter ",
                              "backup_",
                              "data",
                              "\xf4\xee\xf2\xee_",
                              "\xee\xf2\xf7\xb8\xf2_",
                              "\xef\xe8\xf1\xfc\xec\xee "};
const char* const kExtensions[] = {".jpg", ".mp3", ".doc", ".exe", ".txt", ".pdf", ".xls",
                                   ".zip", ".avi", ".dll", ".htm", ".JPG", ".MP3", ".DOC"};

std::string MakeCatalog(Random& random, char drive, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 256);
    std::vector<std::string> folder = {std::string(1, drive) + ":"};
    while (text.size() < bytes) {
        // Walk like a depth-first listing: sometimes up, sometimes into a new folder, mostly files.
        const unsigned step = random.Next(100);
        if (step < 8 && folder.size() > 1) {
            folder.pop_back();
        } else if (step < 20 && folder.size() < 7) {
            std::string name = random.Pick(kFolders);
            if (random.Next(3) == 0) {
                name += " " + std::to_string(1990 + random.Next(20));
            }
            std::string line;
            for (const auto& part : folder) {
                line += part + "\\";
            }
            folder.push_back(name);
            text += line + name + "\r\n";
        } else {
            std::string line;
            for (const auto& part : folder) {
                line += part + "\\";
            }
            std::string stem = random.Pick(kStems);
            stem += std::to_string(random.Next(stem == "setup_" ? 3000 : 10000));
            if (random.Next(50) == 0) {
                stem += " vacation";
            }
            text += line + stem + random.Pick(kExtensions) + "\r\n";
        }
    }
    return text;
}

// Lines of a deeply nested tree, 1 to 8 KB each: the paths of a copied build tree or a mirrored site.
// Some folders end in ".zip", so that an expression with several unbounded repeats that ends in it
// backtracks a long way over most lines before it fails.
std::string MakeLongLines(Random& random, std::size_t bytes) {
    std::string text;
    text.reserve(bytes + 9000);
    while (text.size() < bytes) {
        std::string line = "Y:";
        const std::size_t length = 1024 + random.Next(7 * 1024);
        while (line.size() < length) {
            line += "\\";
            line += random.Pick(kFolders);
            if (random.Next(4) == 0) {
                line += " " + std::to_string(random.Next(100));
            } else if (random.Next(16) == 0) {
                line += ".zip"; // an archive unpacked into a folder of its name
            }
        }
        text += line + "\\" + random.Pick(kStems) + std::to_string(random.Next(10000)) +
                random.Pick(kExtensions) + "\r\n";
    }
    return text;
}

// `s` in single quotes for the shell, each quote inside closed, escaped and reopened.
std::string Quote(const std::string& s) {
    std::string quoted = "'";
    for (const char c : s) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// User and system time of the waited-for children, and theirs in turn.
double CpuSeconds(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double seconds = 0;
    double cpuSeconds = 1e9; // the least over the runs: the figure least disturbed by other work
    long peakKb = 0;
    long lines = 0;
};

// Runs `command` `runs` times; the best wall time, with the peak memory that GNU time saw in that run
// and the output's line count. The shells around the command cost the same for every tool.
Measure Run(const std::string& command, const std::string& work, int runs) {
    Measure best;
    best.seconds = 1e9;
    best.cpuSeconds = 1e9;
    for (int i = 0; i < runs; ++i) {
        const std::string timed = "/usr/bin/time -f '%M' -o " + work + "/time.txt sh -c " +
                                  Quote(command + " > " + work + "/out.txt");
        rusage before{};
        getrusage(RUSAGE_CHILDREN, &before);
        const auto start = std::chrono::steady_clock::now();
        if (std::system(timed.c_str()) == -1) {
            std::perror("system");
        }
        Measure m;
        m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage after{};
        getrusage(RUSAGE_CHILDREN, &after);
        m.cpuSeconds = CpuSeconds(after) - CpuSeconds(before);
        best.cpuSeconds = std::min(best.cpuSeconds, m.cpuSeconds);
        std::ifstream timing(work + "/time.txt");
        std::string last, line;
        while (std::getline(timing, line)) {
            last = line; // a non-zero exit adds a line before the figure
        }
        std::istringstream(last) >> m.peakKb;
        std::ifstream out(work + "/out.txt", std::ios::binary);
        for (std::string l; std::getline(out, l);) {
            ++m.lines;
        }
        if (m.seconds < best.seconds) {
            const double cpu = best.cpuSeconds;
            best = m;
            best.cpuSeconds = cpu;
        }
    }
    return best;
}

// One family: mirolan's modifiers and expression, and what grep -P and ripgrep are given for the same
// lines, shell-quoted. `utf8`: grep and ripgrep search the UTF-8 copies of the catalogs under a UTF-8
// locale and fold case themselves, as a user of those tools would; mirolan searches the originals.
struct Query {
    const char* name;
    std::string mirolan;
    std::string grep;
    std::string rg;
    bool utf8 = false;
};

// The same query for all three: grep and ripgrep fold case with -i as mirolan does with i; grep sees
// the CR before each line's LF, so "$" becomes "\r$" for it.
Query Same(const char* name, const std::string& expression) {
    std::string forGrep = expression;
    if (forGrep.ends_with("$")) {
        forGrep.insert(forGrep.size() - 1, "\\r");
    }
    return {name, "-m irgm-sx " + Quote(expression), "-i " + Quote(forGrep), "-i " + Quote(expression)};
}

// Code page 1251 letters in UTF-8, for the copies of the catalogs that grep and ripgrep read.
std::string Utf8(const std::string& cp1251) {
    std::string out;
    for (const unsigned char c : cp1251) {
        unsigned code = c;
        if (c >= 0xc0) {
            code = 0x410 + (c - 0xc0);
        } else if (c == 0xa8) {
            code = 0x401;
        } else if (c == 0xb8) {
            code = 0x451;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(0xc0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3f));
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = MIROLAN_CLI;
    std::string keep;
    int runs = 5;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--cli" && i + 1 < argc) {
            cli = argv[++i];
        } else if (argument == "--keep" && i + 1 < argc) {
            keep = argv[++i];
        } else if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            only.push_back(argument);
        }
    }
    char pattern[] = "/tmp/mirolan-search-XXXXXX";
    const std::string work = mkdtemp(pattern);
    const std::string folder = keep.empty() ? work + "/LIST" : keep;
    const std::string utf8Folder = folder + "-utf8";
    mkdir(folder.c_str(), 0755);
    mkdir(utf8Folder.c_str(), 0755);

    Random random;
    std::size_t total = 0, largest = 0;
    std::string files, utf8Files;
    const auto add = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder + "/" + name, std::ios::binary) << text;
        std::ofstream(utf8Folder + "/" + name, std::ios::binary) << Utf8(text);
        total += text.size();
        largest = std::max(largest, text.size());
        files += " " + folder + "/" + name;
        utf8Files += " " + utf8Folder + "/" + name;
    };
    for (int c = 0; c < kCatalogs; ++c) {
        const std::size_t size = (2 + random.Next(7)) * 1024 * 1024; // 2 to 8 MiB each
        add("CD" + std::to_string(c + 10) + ".txt",
            MakeCatalog(random, static_cast<char>('C' + c % 20), size));
    }
    if (total < 100 * 1000 * 1000) {
        // Top up the last catalog so that the whole set is over 100 MB.
        add("CD99.txt", MakeCatalog(random, 'Z', 100 * 1000 * 1000 - total + 1024));
    }
    add("CD98.txt", MakeLongLines(random, 2 * 1024 * 1024));
    std::printf("catalogs: %.1f MB in all, largest %.1f MB\n", total / 1e6, largest / 1e6);

    // "отпуск" and its upper case; grep and ripgrep fold only ASCII letters without Unicode, so on the
    // code page 1251 bytes the Cyrillic query spells out each letter's two cases for them.
    const std::string otpusk = "\xee\xf2\xef\xf3\xf1\xea";
    const std::string otpuskClasses = "[\xee\xce][\xf2\xd2][\xef\xcf][\xf3\xd3][\xf1\xd1][\xea\xca]";
    const std::string otpuskEscaped =
        "(?-u)[\\xee\\xce][\\xf2\\xd2][\\xef\\xcf][\\xf3\\xd3][\\xf1\\xd1][\\xea\\xca]";
    const std::string zima = "\xc7\xe8\xec\xe0"; // "Зима", in no catalog
    const std::string foto = "\xf4\xee\xf2\xee_\\d+\\.jpg";
    const Query queries[] = {
        Same("literal /i", "vacation"),
        Same("\\.mp3$", "\\.mp3$"),
        Same("report.*\\.doc$", "report.*\\.doc$"),
        Same("setup_19[0-9]{2}\\.exe", "setup_19[0-9]{2}\\.exe"),
        Same("absent literal", "zqxjkv"),
        Same("absent, common letters", "brochure"),
        Same("absent, frequent head", "setup_29999"),
        {"absent Cyrillic, UTF-8", "-m irgm-sx " + Quote(zima), "-i " + Quote(Utf8(zima)),
         "-i " + Quote(Utf8(zima)), true},
        Same("frequent \\.txt", "\\.txt"),
        Same("(report|invoice|letter)[_ ]\\d+", "(report|invoice|letter)[_ ]\\d+"),
        Same("(IMG|DSC)_?\\d+\\.jpg", "(IMG|DSC)_?\\d+\\.jpg"),
        Same("song|track|chapter", "song|track|chapter"),
        Same("\\\\(Music|Photos|Video)\\\\", "\\\\(Music|Photos|Video)\\\\"),
        Same("track \\d+\\.(mp3|avi)$", "track \\d+\\.(mp3|avi)$"),
        Same("\\d{4}", "\\d{4}"),
        Same("(19|20)\\d{2}", "(19|20)\\d{2}"),
        Same("\\\\[^\\\\]+ \\d{4}\\\\", "\\\\[^\\\\]+ \\d{4}\\\\"),
        Same("\\d\\d\\.\\d\\d\\.\\d{4}", "\\d\\d\\.\\d\\d\\.\\d{4}"),
        Same("[a-z]+\\d+", "[a-z]+\\d+"),
        Same("\\d{2,4}[-_]\\d{2}", "\\d{2,4}[-_]\\d{2}"),
        Same("\\\\?[a-z]+\\d", "\\\\?[a-z]+\\d"),
        Same("(\\\\|/)?[A-Z]:", "(\\\\|/)?[A-Z]:"),
        Same("^[A-Z]:\\\\[^\\\\]+$", "^[A-Z]:\\\\[^\\\\]+$"),
        Same("\\\\[^\\\\]+\\.mp3$", "\\\\[^\\\\]+\\.mp3$"),
        Same("\\\\[^\\\\]*$", "\\\\[^\\\\]*$"),
        Same("[a-z]+\\.doc", "[a-z]+\\.doc"),
        Same("\\d+\\.(zip|exe)$", "\\d+\\.(zip|exe)$"),
        Same("[^\\\\]+\\.(mp3|avi|doc)$", "[^\\\\]+\\.(mp3|avi|doc)$"),
        {"Cyrillic /i", "-m irgm-sx " + Quote(otpusk), Quote(otpuskClasses), Quote(otpuskEscaped)},
        {"Cyrillic /i, UTF-8", "-m irgm-sx " + Quote(otpusk), "-i " + Quote(Utf8(otpusk)),
         "-i " + Quote(Utf8(otpusk)), true},
        {"Cyrillic class /i, UTF-8", "-m irgm-sx " + Quote(foto), "-i " + Quote(Utf8(foto)),
         "-i " + Quote(Utf8(foto)), true},
        Same("long lines, backtracking", "\\\\.*\\\\.*\\\\.*\\.zip$"),
        Same("(\\w+\\\\){4}", "(\\w+\\\\){4}"),
        Same("(\\\\\\w+){2,}\\.", "(\\\\\\w+){2,}\\."),
    };

    std::printf("%-32s %9s %9s %9s %7s %7s %8s %8s | %9s %9s %7s | %9s %9s %9s %8s %8s\n", "family",
                "mirolan s", "grep s", "rg s", "/grep", "/rg", "cpu/grep", "cpu/rg", "-j mir s", "-j rg s",
                "/rg", "lines", "grep", "rg", "peak MB", "-j MB");
    for (const Query& q : queries) {
        bool wanted = only.empty();
        for (const std::string& part : only) {
            wanted = wanted || std::string(q.name).find(part) != std::string::npos;
        }
        if (!wanted) {
            continue;
        }
        const std::string& theirs = q.utf8 ? utf8Files : files;
        const std::string locale = q.utf8 ? "LC_ALL=ru_RU.UTF-8 " : "LC_ALL=C ";
        // mirolan as a user runs it, in a UTF-8 terminal: the expression converted to the catalogs'
        // code page and every printed line back.
        const std::string mirolan = "LC_ALL=ru_RU.UTF-8 " + cli + " search ";
        const std::string rg =
            locale + "rg " + (q.utf8 ? "" : "--no-unicode ") + "--crlf -a --no-filename --no-line-number ";
        const Measure m = Run(mirolan + "-j 1 " + Utf8(q.mirolan) + files, work, runs);
        const Measure g = Run(locale + "grep -P -a -h " + q.grep + theirs, work, runs);
        const Measure r = Run(rg + "-j1 " + q.rg + theirs, work, runs);
        const Measure mAll = Run(mirolan + Utf8(q.mirolan) + files, work, runs);
        const Measure rAll = Run(rg + q.rg + theirs, work, runs);
        std::printf("%-32s %9.3f %9.3f %9.3f %7.2f %7.2f %8.2f %8.2f | %9.3f %9.3f %7.2f | %9ld %9ld %9ld "
                    "%8.1f %8.1f\n",
                    q.name, m.seconds, g.seconds, r.seconds, m.seconds / g.seconds, m.seconds / r.seconds,
                    m.cpuSeconds / g.cpuSeconds, m.cpuSeconds / r.cpuSeconds, mAll.seconds, rAll.seconds,
                    mAll.seconds / rAll.seconds, m.lines, g.lines, r.lines, m.peakKb / 1024.0,
                    mAll.peakKb / 1024.0);
        std::fflush(stdout);
    }
    std::printf(
        "(mirolan runs under ru_RU.UTF-8, reading the expression and printing its lines in UTF-8; it\n"
        " prints a line once per match, as the window does, and an empty line and a heading per\n"
        " catalog with matches; grep and ripgrep print each matching line once. The UTF-8 rows\n"
        " give grep and ripgrep UTF-8 copies of the catalogs and -i under\n"
        " ru_RU.UTF-8; \"Cyrillic /i\" gives them the code page 1251 bytes with both cases spelt out)\n");
    return std::system(("rm -rf '" + work + "'").c_str()) == 0 ? 0 : 1;
}
