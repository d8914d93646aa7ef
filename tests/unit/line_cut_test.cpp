#include "search/line_cut.h"

#include <gtest/gtest.h>

namespace {

TEST(ModifierString, TickedLettersThenDashThenTheRest) {
    EXPECT_EQ(ModifierString({}), "irgm-sx");
    EXPECT_EQ(ModifierString({true, true, true, true, true, true}), "irsgmx-");
    EXPECT_EQ(ModifierString({false, false, false, false, false, false}), "-irsgmx");
    EXPECT_EQ(ModifierString({false, true, true, false, false, true}), "rsx-igm");
}

struct CutCase {
    const char* what;
    std::string text;
    std::size_t position, length;
    std::string line;
};

TEST(CutLine, TheWholeLineAroundAMatch) {
    const std::string cat = "C:\\a.txt\r\nC:\\Music\\song.mp3\r\nC:\\last.doc";
    const CutCase cases[] = {
        {"inside a middle line", cat, 20, 4, "C:\\Music\\song.mp3"},
        {"at the first character of the text", cat, 1, 2, "C:\\a.txt"},
        {"last line without a line break, to its last character", cat, 39, 3, "C:\\last.doc"},
        {"a match that spans a line break keeps it", cat, 7, 6, "C:\\a.txt\r\nC:\\Music\\song.mp3"},
        {"a match that begins on the CR starts after it", cat, 9, 2, "\nC:\\Music\\song.mp3"},
        {"an empty match on a LF", "ab\ncd", 3, 0, ""},
        {"an empty match on a CR after text", "ab\rcd", 3, 0, ""},
        {"lone LF and lone CR end lines", "x\ny\rz", 3, 1, "y"},
        {"an empty match past the end", "ab\ncd", 6, 0, "cd"},
        {"an empty text", "", 1, 0, ""},
        {"a match of the whole text", "abc", 1, 3, "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CutLine(c.text, c.position, c.length), c.line) << c.what;
    }
}

} // namespace
