#include "presets/presets.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/ini_profile.h"
#include "presets/dual_strings.h"
#include "settings/settings_file.h"

namespace {

// "Диск", "ДИСК", "Музыка" and "МУЗЫКА" in code page 1251.
const std::string kDisk = "\xC4\xE8\xF1\xEA";
const std::string kDiskUpper = "\xC4\xC8\xD1\xCA";
const std::string kMusic = "\xCC\xF3\xE7\xFB\xEA\xE0";
const std::string kMusicUpper = "\xCC\xD3\xC7\xDB\xCA\xC0";

std::vector<std::string> Items(const TDualStrings& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(list.Strings(i) + "=" + list.ValueAt(i));
    }
    return items;
}

TEST(PresetsTest, ValueNamesTheTickedCatalogsUpperCasedInListOrder) {
    struct Case {
        std::vector<std::string> catalogs;
        std::vector<bool> ticks;
        std::string value;
    };
    const Case cases[] = {
        {{"cd1", "Disk_C", "x"}, {true, true, false}, ",CD1,DISK_C,"},
        {{"b", "A"}, {true, true}, ",B,A,"}, // the list's order, not the alphabet's
        {{"cd1", "cd2"}, {false, false}, ","},
        {{}, {}, ","},
        {{kDisk, "Disk_C"}, {true, false}, "," + kDiskUpper + ","},
        {{"a,b", "c"}, {true, true}, ",A,B,C,"}, // no escape in the stored format
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PresetValue(c.catalogs, c.ticks), c.value) << c.value;
    }
}

TEST(PresetsTest, PickingTicksTheCatalogsThatTheValueNamesWhole) {
    struct Case {
        std::string value;
        std::vector<std::string> catalogs;
        std::vector<bool> ticks;
    };
    const Case cases[] = {
        {",CD10,", {"CD1", "CD10", "cd10"}, {false, true, true}},
        {",CD1,", {"CD1", "CD10"}, {true, false}},
        {",GONE,CD07,", {"CD01", "CD07"}, {false, true}}, // a deleted catalog is passed over
        {",", {"CD01", "CD07"}, {false, false}},
        {"CD01", {"CD01"}, {false}},   // without its framing commas a name is not there
        {",cd01,", {"cd01"}, {false}}, // the test is case-sensitive: values hold upper case
        {"," + kDiskUpper + ",", {kDisk, "Disk"}, {true, false}},
        {",A,", {"A,B", "A"}, {false, true}}, // a name with a comma needs all its parts, in order
        {",A,B,", {"A,B", "B,A"}, {true, false}},
        {",X,", {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PresetTicks(c.value, c.catalogs), c.ticks) << c.value;
    }
}

TEST(PresetsTest, LoadingSortsIgnoringCaseKeepsTheFirstSpellingAndDropsBlankNames) {
    TDualStrings presets;
    presets.AddValue("stale", ",OLD,");
    const std::vector<PresetEntry> entries = {
        {"music", ",CD01,"}, {"Films", ",DVD01,"}, {"MUSIC", ",CD02,"},  {"", ",CD03,"}, {" \t", ",CD04,"},
        {"\x01", ","},       {kMusic, ",A,"},      {kMusicUpper, ",B,"}, {"books", ""},  {" padded ", ",P,"},
    };
    FillPresets(presets, entries);
    EXPECT_EQ(Items(presets), (std::vector<std::string>{" padded =,P,", "books=", "Films=,DVD01,",
                                                        "music=,CD01,", kMusic + "=,A,"}));
    EXPECT_TRUE(presets.Sorted());
    EXPECT_FALSE(presets.CaseSensitive());
    EXPECT_EQ(PresetEntries(presets).size(), 5u);
    EXPECT_EQ(PresetEntries(presets)[3].name, "music");
}

// At start the whole section goes through the settings file's reader into the list.
TEST(PresetsTest, AThousandPresetsLoadFromTheSettingsText) {
    std::string text = "[Options]\r\nListPath=LIST\r\n[Presets]\r\n";
    for (int i = 999; i >= 0; --i) {
        text += kMusic + std::to_string(i) + "=,CD" + std::to_string(i) + "," + kDiskUpper + ",\r\n";
    }
    TDualStrings presets;
    FillPresets(presets, ReadPresets(platform::TIniProfile::Parse(text)));
    ASSERT_EQ(presets.Count(), 1000);
    for (int i = 1; i < presets.Count(); ++i) {
        EXPECT_LT(platform::CompareText(presets.Strings(i - 1), presets.Strings(i)), 0) << i;
    }
    const int index = presets.IndexOfKey(kMusicUpper + "500", false);
    ASSERT_GE(index, 0);
    EXPECT_EQ(presets.ValueAt(index), ",CD500," + kDiskUpper + ",");
}

TEST(PresetsTest, AddReplacesAPresetOfAnyCaseAndRefusesABlankName) {
    struct Case {
        std::string name;
        bool stored;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"MUSIC", true, {"Films=,DVD01,", "Music=,NEW,"}},
        {"Books", true, {"Books=,NEW,", "Films=,DVD01,", "Music=,CD01,"}},
        {" Music", true, {" Music=,NEW,", "Films=,DVD01,", "Music=,CD01,"}},
        {"", false, {"Films=,DVD01,", "Music=,CD01,"}},
        {"  ", false, {"Films=,DVD01,", "Music=,CD01,"}},
    };
    for (const Case& c : cases) {
        TDualStrings presets;
        FillPresets(presets, std::vector<PresetEntry>{{"Music", ",CD01,"}, {"Films", ",DVD01,"}});
        EXPECT_EQ(SetPreset(presets, c.name, ",NEW,"), c.stored) << '"' << c.name << '"';
        EXPECT_EQ(Items(presets), c.items) << '"' << c.name << '"';
    }
}

} // namespace
