#include "presets/string_list.h"

#include <gtest/gtest.h>

#include "expect_error.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "catalogs/paths.h"
#include "platform/files.h"
#include "test_folder.h"

namespace {

// "Музыка" and "МУЗЫКА" in code page 1251.
const std::string kMusicCyr = "\xCC\xF3\xE7\xFB\xEA\xE0";
const std::string kMusicCyrUpper = "\xCC\xD3\xC7\xDB\xCA\xC0";

std::vector<std::string> Names(const TStringList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) {
        names.push_back(list.Strings(i));
    }
    return names;
}

TEST(TStringList, SortedAddKeepsOrderAndIgnoresDuplicates) {
    struct Case {
        bool caseSensitive;
        std::vector<std::string> added;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {false, {"b", "A", "c", "a", "B"}, {"A", "b", "c"}},
        {false, {"Zeta", "\xC0\xEB\xFC\xF4\xE0", "alpha"}, {"alpha", "Zeta", "\xC0\xEB\xFC\xF4\xE0"}},
        {false, {kMusicCyr, kMusicCyrUpper}, {kMusicCyr}},
        {true, {kMusicCyrUpper, kMusicCyr, kMusicCyrUpper}, {kMusicCyr, kMusicCyrUpper}}, // lower case first
        {false, {"", "x", ""}, {"", "x"}},
    };
    for (const auto& c : cases) {
        TStringList list;
        list.SetCaseSensitive(c.caseSensitive);
        list.SetSorted(true);
        for (const auto& name : c.added) {
            const int index = list.Add(name);
            EXPECT_EQ(list.IndexOf(name), index) << name;
        }
        EXPECT_EQ(Names(list), c.expected);
    }
}

// Every name is found at its own index and every gap between names is missed, which catches
// off-by-one faults in the binary search.
TEST(TStringList, IndexOfFindsEveryNameOfALongList) {
    for (const bool sorted : {true, false}) {
        TStringList list;
        list.SetSorted(sorted);
        for (int i = 0; i < 101; ++i) {
            list.Add("n" + std::to_string(1000 + 2 * i));
        }
        for (int i = 0; i < 101; ++i) {
            EXPECT_EQ(list.IndexOf("N" + std::to_string(1000 + 2 * i)), i);
            EXPECT_EQ(list.IndexOf("n" + std::to_string(999 + 2 * i)), -1);
        }
        EXPECT_EQ(list.IndexOf("n1202"), -1);
    }
}

TEST(TStringList, ErrorsCarryTheirTextsAndChangeNothing) {
    TStringList sorted;
    sorted.Add("x");
    sorted.Add("a");
    sorted.SetSorted(true);
    TStringList plain;
    plain.Add("a");
    plain.Add("b");
    TObject object;
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { sorted.Insert(0, "b"); }, "Operation not allowed on sorted list"},
        {[&] { sorted.Move(0, 1); }, "Operation not allowed on sorted list"},
        {[&] { plain.Insert(3, "c"); }, "List index out of bounds (3)"},
        {[&] { plain.InsertObject(-1, "c", &object); }, "List index out of bounds (-1)"},
        {[&] { plain.Strings(2); }, "List index out of bounds (2)"},
        {[&] { plain.PutObject(2, &object); }, "List index out of bounds (2)"},
        {[&] { plain.Delete(-1); }, "List index out of bounds (-1)"},
        {[&] { plain.Move(0, 2); }, "List index out of bounds (2)"},
    };
    for (const auto& [action, text] : cases) {
        ExpectError<EStringListError>(action, text);
    }
    EXPECT_EQ(Names(sorted), (std::vector<std::string>{"a", "x"}));
    EXPECT_EQ(Names(plain), (std::vector<std::string>{"a", "b"}));
}

TEST(TStringList, NotificationsBracketEachChangeButNotAnOpenUpdate) {
    TStringList list;
    std::vector<std::string> seen; // the count before (<) and after (>) each change
    list.SetOnChanging([&](TStringList& l) { seen.push_back("<" + std::to_string(l.Count())); });
    list.SetOnChange([&](TStringList& l) { seen.push_back(">" + std::to_string(l.Count())); });
    list.Add("a");
    list.Delete(0);
    EXPECT_THROW(list.Delete(0), EStringListError);
    list.Clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.EndUpdate();
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(seen, (std::vector<std::string>{"<0", ">1", "<1", ">0", "<0", ">2"}));
}

TEST(TStringList, FileRoundTripOneNamePerLine) {
    TestFolder folder;
    const std::string file = folder.WriteFile("in.txt", "one\r\ntwo\nthree\rfour\r\n\r\n" + kMusicCyr);
    TStringList list;
    list.Add("stale");
    list.LoadFromFile(file);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"one", "two", "three", "four", "", kMusicCyr}));
    const std::string out = JoinPath(folder.Path(), "out.txt");
    list.SaveToFile(out);
    EXPECT_EQ(TestFolder::ReadFile(out), "one\r\ntwo\r\nthree\r\nfour\r\n\r\n" + kMusicCyr + "\r\n");
    EXPECT_THROW(list.LoadFromFile(JoinPath(folder.Path(), "missing.txt")), platform::EFileError);
}

} // namespace
