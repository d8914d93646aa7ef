#include "presets/dual_strings.h"

#include <gtest/gtest.h>

#include "expect_error.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "catalogs/paths.h"
#include "platform/files.h"
#include "test_folder.h"

namespace {

// "Музыка", "МУЗЫКА" and "музыка" in code page 1251.
const std::string kMusicCyr = "\xCC\xF3\xE7\xFB\xEA\xE0";
const std::string kMusicCyrUpper = "\xCC\xD3\xC7\xDB\xCA\xC0";
const std::string kMusicCyrLower = "\xEC\xF3\xE7\xFB\xEA\xE0";

// A value that counts its own releases, to tell which value went and how often.
class TTracedValue : public TStringValue {
public:
    TTracedValue(std::string text, int& releases) : TStringValue(std::move(text)), releases(releases) {}
    ~TTracedValue() override { ++releases; }

private:
    int& releases;
};

// Every test must end with no more values alive than it started with.
class DualStrings : public ::testing::Test {
protected:
    void SetUp() override { baseline = TStringValue::LiveCount(); }
    void TearDown() override { EXPECT_EQ(Live(), 0) << "values leaked or lost"; }
    int Live() const { return TStringValue::LiveCount() - baseline; }

    int baseline = 0;
};

std::vector<std::string> Items(const TDualStrings& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(list.Strings(i) + "=" + list.ValueAt(i));
    }
    return items;
}

std::unique_ptr<TDualStrings> Presets(bool sorted) {
    auto list = std::make_unique<TDualStrings>();
    list->SetSorted(sorted);
    list->AddValue("Music", "CD01");
    list->AddValue("Films", "DVD01,DVD02");
    list->Add("Empty");
    return list;
}

TEST_F(DualStrings, SetValueReplacesInAnyCaseAndAddsNewNamesAsGiven) {
    auto list = Presets(true);
    list->SetValue("MUSIC", "CD02", false);
    list->SetValue("Books", "B1", false);
    EXPECT_EQ(Items(*list),
              (std::vector<std::string>{"Books=B1", "Empty=", "Films=DVD01,DVD02", "Music=CD02"}));
    EXPECT_EQ(Live(), 3);
    for (const int index : {-1, list->Count(), 1}) {
        EXPECT_EQ(list->ValueAt(index), "") << index;
    }
}

TEST_F(DualStrings, IndexOfKeyUpperCasesUnlessExact) {
    struct Case {
        bool caseSensitive;
        std::string stored;
        std::string key;
        bool exact;
        bool found;
    };
    const Case cases[] = {
        {false, kMusicCyr, kMusicCyrLower, false, true}, {false, kMusicCyr, kMusicCyrUpper, true, true},
        {true, kMusicCyr, kMusicCyrLower, false, false}, {true, kMusicCyrUpper, kMusicCyrLower, false, true},
        {true, kMusicCyr, kMusicCyrUpper, true, false},  {false, "CD01", "cd02", false, false},
    };
    for (const bool sorted : {true, false}) {
        for (const auto& c : cases) {
            TDualStrings list;
            list.SetSorted(sorted);
            list.SetCaseSensitive(c.caseSensitive);
            list.AddValue("Other", "x");
            list.AddValue(c.stored, "v");
            const int index = list.IndexOfKey(c.key, c.exact);
            EXPECT_EQ(index >= 0 ? list.ValueAt(index) : "", c.found ? "v" : "")
                << c.key << " " << c.caseSensitive;
        }
    }
}

TEST_F(DualStrings, EachValueIsReleasedExactlyOnce) {
    int releases[4] = {0, 0, 0, 0};
    {
        TDualStrings list;
        for (int i = 0; i < 3; ++i) {
            list.Add("n" + std::to_string(i));
            list.PutObject(i, new TTracedValue("v", releases[i]));
        }
        TObject* kept = list.Objects(0);
        list.PutObject(0, kept); // back into its own slot: kept alive
        list.Delete(1);
        EXPECT_EQ(releases[1], 1);
        list.Clear();
        EXPECT_EQ(releases[0] + releases[1] + releases[2], 3);
        list.Add("last");
        list.PutObject(0, new TTracedValue("v", releases[3]));
    }
    EXPECT_EQ(releases[3], 1); // by the list's destruction
}

TEST_F(DualStrings, IndexErrorsLeakNothing) {
    auto list = Presets(false);
    int releases = 0;
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { list->PutObject(3, new TTracedValue("v", releases)); }, "List index out of bounds (3)"},
        {[&] { list->SetValueAt(3, "v"); }, "List index out of bounds (3)"},
        {[&] { list->Delete(-2); }, "List index out of bounds (-2)"},
    };
    for (const auto& [action, text] : cases) {
        ExpectError<EStringListError>(action, text);
    }
    EXPECT_EQ(releases, 1); // the refused object was released, not lost
    list->SetValueAt(-1, "ignored");
    EXPECT_EQ(Items(*list), (std::vector<std::string>{"Music=CD01", "Films=DVD01,DVD02", "Empty="}));
}

TEST_F(DualStrings, CaseSensitiveSortedDuplicateGivesThePresentItemTheValue) {
    TDualStrings list;
    list.SetSorted(true);
    list.SetCaseSensitive(true);
    list.SetValue("Music", "old", true);
    list.SetValue("Music", "new", false); // looks up MUSIC, misses, then meets Music on adding
    EXPECT_EQ(Items(list), std::vector<std::string>{"Music=new"});
}

TEST_F(DualStrings, ClearAnnouncesOnlyWhenThereIsSomethingToClear) {
    auto list = Presets(false);
    int changing = 0;
    int changed = 0;
    list->SetOnChanging([&](TStringList&) { ++changing; });
    list->SetOnChange([&](TStringList&) { ++changed; });
    list->Clear();
    EXPECT_GT(changing, 0);
    EXPECT_EQ(changing, changed);
    changing = changed = 0;
    list->Clear();
    EXPECT_EQ(changing + changed, 0);
}

TEST_F(DualStrings, MoveCarriesTheValueAndARefusedMoveKeepsIt) {
    auto list = Presets(false);
    list->Move(0, 2);
    EXPECT_EQ(Items(*list), (std::vector<std::string>{"Films=DVD01,DVD02", "Empty=", "Music=CD01"}));
    EXPECT_THROW(list->Move(2, 3), EStringListError);
    list->SetSorted(true);
    EXPECT_THROW(list->Move(2, 0), EStringListError);
    EXPECT_EQ(Items(*list), (std::vector<std::string>{"Empty=", "Films=DVD01,DVD02", "Music=CD01"}));
}

TEST_F(DualStrings, FilesAreRefusedNeitherWrittenNorRead) {
    TestFolder folder;
    auto list = Presets(false);
    const std::string file = JoinPath(folder.Path(), "presets.txt");
    EXPECT_THROW(list->SaveToFile(file), std::logic_error);
    EXPECT_FALSE(platform::FileExists(file));
    EXPECT_THROW(list->LoadFromFile(folder.WriteFile("names.txt", "x\r\ny\r\n")), std::logic_error);
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(DualStrings, AssignFromAPlainListIsRefusedAndChangesNothing) {
    auto list = Presets(false);
    TStringList plain;
    ExpectError<std::runtime_error>([&] { list->Assign(plain); },
                                    "Cannot assign TStringList to TDualStringList!");
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(DualStrings, AssignCopiesValuesAndCaseSwitchButKeepsSortedMode) {
    TDualStrings target;
    target.SetSorted(true);
    target.AddValue("old", "gone");
    {
        auto source = Presets(false);
        source->SetCaseSensitive(true);
        target.Assign(*source);
        EXPECT_EQ(Live(), 5); // copies, not shared; the item without a value gets an empty one
    }
    EXPECT_TRUE(target.CaseSensitive());
    EXPECT_EQ(Items(target), (std::vector<std::string>{"Empty=", "Films=DVD01,DVD02", "Music=CD01"}));
    target.Assign(target);
    EXPECT_EQ(target.Count(), 3);
}

// Names that differ only in case merge in a case-insensitive copy and stay apart in a case-sensitive one.
TEST_F(DualStrings, AssignMergesNamesByTheSourceCaseSwitch) {
    for (const bool caseSensitive : {false, true}) {
        TDualStrings source;
        source.SetCaseSensitive(caseSensitive);
        source.AddValue("MUSIC", "first");
        source.AddValue("Music", "second");
        TDualStrings target;
        target.Assign(source);
        const std::vector<std::string> expected =
            caseSensitive ? std::vector<std::string>{"MUSIC=first", "Music=second"}
                          : std::vector<std::string>{"MUSIC=second"};
        EXPECT_EQ(Items(target), expected);
    }
}

} // namespace
