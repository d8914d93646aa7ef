#include "platform/ini_profile.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using platform::IniEntry;
using platform::IniSection;
using platform::TIniProfile;

// One line per section: "name:entry|entry|..." where each entry is "name=value".
std::vector<std::string> Outline(const TIniProfile& profile) {
    std::vector<std::string> lines;
    for (const IniSection& section : profile.Sections()) {
        std::string line = section.name + ":";
        for (const IniEntry& entry : section.entries) {
            line += entry.name + "=" + entry.value + "|";
        }
        lines.push_back(line);
    }
    return lines;
}

struct ParseCase {
    const char* what;
    std::string text;
    std::vector<std::string> outline;
};

TEST(IniProfileTest, ParsesSectionsAndEntriesInFileOrder) {
    const ParseCase cases[] = {
        {"empty text", "", {}},
        {"the program's own file",
         "[Options]\r\nListPath=LIST\r\n[Presets]\r\nMusic=,CD01,CD07,\r\n[SearchLog]\r\n\\.mp3$=\r\n"
         "report.*\\.doc$=\r\n",
         {"Options:ListPath=LIST|", "Presets:Music=,CD01,CD07,|", "SearchLog:\\.mp3$=|report.*\\.doc$=|"}},
        {"LF and lone CR line ends, no final line end", "[A]\nx=1\ry=2", {"A:x=1|y=2|"}},
        {"blank lines and comments", "\r\n; note\r\n[A]\r\n\r\n# other\r\nx=1\r\n\r\n", {"A:x=1|"}},
        {"entries above the first section", "x=1\r\n[A]\r\ny=2\r\n", {"A:y=2|"}},
        {"name is what precedes the first equals sign", "[A]\r\na=b=c\r\n=v\r\nk=\r\n", {"A:a=b=c|=v|k=|"}},
        {"blanks are kept", "[A]\r\n  x = 1 \r\n", {"A:  x = 1 |"}},
        {"bracketed entry is no header",
         "[SearchLog]\r\n[a-z]x=\r\n[0-9]=\r\n",
         {"SearchLog:[a-z]x=|[0-9]=|"}},
        {"header with blanks", "  [ Options ]  \r\nListPath=X\r\n", {"Options:ListPath=X|"}},
        {"empty section", "[A]\r\n[B]\r\nx=1\r\n", {"A:", "B:x=1|"}},
        {"unclosed bracket is no header", "[A]\r\n[B\r\nx=1\r\n", {"A:x=1|"}},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(Outline(TIniProfile::Parse(c.text)), c.outline) << c.what;
    }
}

TEST(IniProfileTest, FormatsTheSevenLinesOfAProgramFile) {
    TIniProfile profile;
    profile.WriteString("Options", "ListPath", "LIST");
    profile.WriteString("Presets", "Music", ",CD01,CD07,");
    profile.WriteString("SearchLog", "\\.mp3$", "");
    profile.WriteString("SearchLog", "report.*\\.doc$", "");
    EXPECT_EQ(profile.Format(), "[Options]\r\nListPath=LIST\r\n[Presets]\r\nMusic=,CD01,CD07,\r\n"
                                "[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\n");
}

TEST(IniProfileTest, WriteReplacesAnEntryOfTheSameNameWhateverItsCase) {
    TIniProfile profile;
    profile.WriteString("Options", "ListPath", "A");
    profile.WriteString("OPTIONS", "listpath", "B");
    profile.WriteString("options", "Other", "C");
    EXPECT_EQ(Outline(profile), (std::vector<std::string>{"Options:ListPath=B|Other=C|"}));
}

TEST(IniProfileTest, ReadStringMatchesNamesIgnoringCaseAndBlanks) {
    const TIniProfile profile = TIniProfile::Parse("[Options]\r\n listpath = D:\\Catalogs \r\nEmpty=\r\n"
                                                   "[\xCF\xEE\xE8\xF1\xEA]\r\n\xC8\xEC\xFF=\xE4\xE0\r\n");
    EXPECT_EQ(profile.ReadString("OPTIONS", "ListPath", "LIST"), "D:\\Catalogs");
    EXPECT_EQ(profile.ReadString("Options", "Empty", "LIST"), "");
    EXPECT_EQ(profile.ReadString("Options", "Missing", "LIST"), "LIST");
    EXPECT_EQ(profile.ReadString("Nowhere", "ListPath", "LIST"), "LIST");
    // Cyrillic names in code page 1251: "Поиск" matched as "ПОИСК", "Имя" as "иМЯ".
    EXPECT_EQ(profile.ReadString("\xCF\xCE\xC8\xD1\xCA", "\xE8\xCC\xDF", ""), "\xE4\xE0");
}

TEST(IniProfileTest, FirstOfTwoEntriesDifferingInCaseWins) {
    const TIniProfile profile = TIniProfile::Parse("[P]\r\nMusic=1\r\nMUSIC=2\r\n");
    EXPECT_EQ(profile.ReadString("P", "music", ""), "1");
    EXPECT_EQ(profile.ReadNames("P"), (std::vector<std::string>{"Music", "MUSIC"}));
}

TEST(IniProfileTest, ReadNamesOfAMissingSectionIsEmpty) {
    EXPECT_TRUE(TIniProfile::Parse("[A]\r\nx=1\r\n").ReadNames("B").empty());
}

// The system's profile reading cuts values at 2047 characters and a section's names at 16 KB.
TEST(IniProfileTest, LongValuesAndManyNamesSurviveARoundTrip) {
    TIniProfile profile;
    const std::string longValue = "," + std::string(100000, 'V') + ",";
    profile.WriteString("Presets", "All", longValue);
    std::vector<std::string> history;
    for (int i = 0; i < 3000; ++i) {
        history.push_back("expression number " + std::to_string(i) + std::string(20, 'x'));
        profile.WriteString("SearchLog", history.back(), "");
    }
    const TIniProfile back = TIniProfile::Parse(profile.Format());
    EXPECT_EQ(back.ReadString("Presets", "All", ""), longValue);
    EXPECT_EQ(back.ReadNames("SearchLog"), history);
}

TEST(IniProfileTest, BytesOfEveryValueButLineBreaksAndEqualsRoundTrip) {
    std::string name, value;
    for (int c = 1; c < 256; ++c) {
        if (c != '\r' && c != '\n') {
            value += static_cast<char>(c);
            if (c != '=') {
                name += static_cast<char>(c);
            }
        }
    }
    TIniProfile profile;
    profile.WriteString("S", name, value);
    const TIniProfile back = TIniProfile::Parse(profile.Format());
    ASSERT_EQ(back.Sections().size(), 1u);
    ASSERT_EQ(back.Sections()[0].entries.size(), 1u);
    EXPECT_EQ(back.Sections()[0].entries[0].name, name);
    EXPECT_EQ(back.Sections()[0].entries[0].value, value);
}

} // namespace
