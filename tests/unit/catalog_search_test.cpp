#include "search/catalog_search.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class RecordingSink : public TSearchSink {
public:
    void AppendLine(std::string_view line) override {
        lines.emplace_back(line);
        if (stopAfter > 0 && lines.size() >= stopAfter) {
            searching = false;
        }
    }
    void Drain() override { ++drains; }
    bool Searching() const override { return searching; }

    Lines lines;
    std::size_t stopAfter = 0; // lines after which the user "presses STOP"
    bool searching = true;
    int drains = 0;
};

const std::string kCatalog = "C:\\Music\\Rock\r\n"
                             "C:\\Music\\Rock\\song.mp3\r\n"
                             "C:\\Docs\\report_2003.doc\r\n"
                             "C:\\Music\\music.mp3"; // no line break after the last line

struct SearchCase {
    const char* what;
    const char* expression;
    const char* modifiers;
    Lines expected; // after the empty line and the heading; none when nothing matches
};

TEST(SearchCatalogText, HeadingThenTheLineOfEveryMatch) {
    const SearchCase cases[] = {
        {"one line per match", "\\.mp3$", "irgm-sx", {"C:\\Music\\Rock\\song.mp3", "C:\\Music\\music.mp3"}},
        {"a line with two matches appears twice",
         "music",
         "irgm-sx",
         {"C:\\Music\\Rock", "C:\\Music\\Rock\\song.mp3", "C:\\Music\\music.mp3", "C:\\Music\\music.mp3"}},
        {"case counts without /i", "music", "rgm-isx", {"C:\\Music\\music.mp3"}},
        {"the last line keeps its last character", "music\\.mp3", "irgm-sx", {"C:\\Music\\music.mp3"}},
        {"no match: nothing at all", "zzz", "irgm-sx", {}},
        {"a faulty expression: nothing, silently", "(abc", "irgm-sx", {}},
        {"an empty expression: nothing", "", "irgm-sx", {}},
        {"a bad modifier letter: nothing", "mp3", "irgm-sxq", {}},
    };
    for (const auto& c : cases) {
        RecordingSink sink;
        const std::size_t count = SearchCatalogText("CD01.txt", kCatalog, c.expression, c.modifiers, sink);
        Lines expected;
        if (!c.expected.empty()) {
            expected = {"", " ------ Found in disk : CD01.txt"};
            expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        }
        EXPECT_EQ(sink.lines, expected) << c.what;
        EXPECT_EQ(count, c.expected.size()) << c.what;
    }
}

TEST(SearchCatalogText, AStopEndsTheCatalogAfterTheCurrentLine) {
    RecordingSink sink;
    sink.stopAfter = 3; // the empty line, the heading and one line
    EXPECT_EQ(SearchCatalogText("CD01.txt", kCatalog, "C:", "irgm-sx", sink), 1u);
    EXPECT_EQ(sink.lines.size(), 3u);
}

TEST(SearchCatalogText, DrainsAfterEveryLine) {
    RecordingSink sink;
    SearchCatalogText("CD01.txt", kCatalog, "\\.mp3$", "irgm-sx", sink);
    EXPECT_GE(sink.drains, 3); // one per line and one at the end
}

TEST(SearchCatalogText, AStoppedRunFindsNothingMore) {
    RecordingSink sink;
    sink.searching = false;
    EXPECT_EQ(SearchCatalogText("CD01.txt", kCatalog, "mp3", "irgm-sx", sink), 0u);
    EXPECT_TRUE(sink.lines.empty());
}

TEST(SearchCatalogText, TextAfterAZeroByteIsNotSearched) {
    RecordingSink sink;
    const std::string text("C:\\a.mp3\r\n\0C:\\b.mp3\r\n", 21);
    SearchCatalogText("CD01.txt", text, "mp3", "irgm-sx", sink);
    EXPECT_EQ(sink.lines, (Lines{"", " ------ Found in disk : CD01.txt", "C:\\a.mp3"}));
}

} // namespace
