#include "settings/settings_file.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "test_folder.h"

namespace {

using platform::TIniProfile;

TEST(SettingsFileTest, LivesBesideTheExecutableWithTheExtensionIni) {
    const std::string path = SettingsFilePath();
    const std::string tail = "mirolan-tests.ini";
    ASSERT_GT(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
    EXPECT_TRUE(platform::IsPathSeparator(path[path.size() - tail.size() - 1])) << path;
    EXPECT_EQ(platform::FullPath(path), path);
}

TEST(SettingsFileTest, MissingFileGivesTheDefaults) {
    TestFolder folder;
    const TIniProfile profile = ReadSettingsFile(JoinPath(folder.Path(), "none.ini"));
    EXPECT_EQ(ReadListPath(profile), "LIST");
    EXPECT_TRUE(ReadSearchHistory(profile).empty());
    EXPECT_TRUE(ReadPresets(profile).empty());
}

TEST(SettingsFileTest, ReadsListPathAndHistoryInFileOrder) {
    TestFolder folder;
    const std::string path =
        folder.WriteFile("m.ini", "[options]\r\nLISTPATH=D:\\Cat\r\n[Extra]\r\nx=1\r\n[SearchLog]\r\n"
                                  "\\.mp3$=\r\nreport.*\\.doc$=\r\n[Presets]\r\nMusic=,CD01,\r\n");
    const TIniProfile profile = ReadSettingsFile(path);
    EXPECT_EQ(ReadListPath(profile), "D:\\Cat");
    EXPECT_EQ(ReadSearchHistory(profile), (std::vector<std::string>{"\\.mp3$", "report.*\\.doc$"}));
    const std::vector<PresetEntry> presets = ReadPresets(profile);
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].name + "=" + presets[0].value, "Music=,CD01,");
}

TEST(SettingsFileTest, EmptyListPathStaysEmpty) {
    TestFolder folder;
    const std::string path = folder.WriteFile("m.ini", "[Options]\r\nListPath=\r\n");
    EXPECT_EQ(ReadListPath(ReadSettingsFile(path)), "");
}

TEST(SettingsFileTest, WritesTheSevenLinesInOrder) {
    TestFolder folder;
    const std::string path = folder.WriteFile("m.ini", "[Old]\r\nstale=1\r\n");
    TIniProfile profile;
    WriteListPath(profile, "LIST");
    WritePresets(profile, {{"Music", ",CD01,CD07,"}});
    WriteSearchHistory(profile, {"\\.mp3$", "report.*\\.doc$"});
    WriteSettingsFile(path, profile);
    EXPECT_EQ(TestFolder::ReadFile(path), "[Options]\r\nListPath=LIST\r\n[Presets]\r\nMusic=,CD01,CD07,\r\n"
                                          "[SearchLog]\r\n\\.mp3$=\r\nreport.*\\.doc$=\r\n");
}

// Expressions the history must give back whole at the next start.
TEST(SettingsFileTest, HistoryRoundTripsWhateverTheExpressionHolds) {
    const std::vector<std::string> history = {
        "a=b",
        "a",
        "=",
        "x==",
        "=lead",
        "trail=",
        "[a-z]+",
        "[Options]",
        " padded ",
        "; note=",
        "",
        "\xC0\xFF=\xE0",
        std::string(5000, 'w') + "=" + std::string(5000, 'v'),
    };
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "m.ini");
    TIniProfile profile;
    WriteListPath(profile, "LIST");
    WriteSearchHistory(profile, history);
    WriteSettingsFile(path, profile);
    const TIniProfile back = ReadSettingsFile(path);
    EXPECT_EQ(ReadSearchHistory(back), history);
    EXPECT_EQ(ReadListPath(back), "LIST");
}

// Presets the settings file must give back whole at the next start, Cyrillic ones among them.
TEST(SettingsFileTest, PresetsRoundTripWhateverTheNameHolds) {
    const std::vector<PresetEntry> presets = {
        {"Music", ",CD01,CD07,"}, {"\xCC\xF3\xE7\xFB\xEA\xE0", ",\xC4\xC8\xD1\xCA.TXT,"},
        {"a=b", ",X,"},           {"a=", ","},
        {"x==y", ",A=B,"},        {" padded ", ",P,"},
        {"[Options]", ","},       {"long", "," + std::string(5000, 'L') + ","},
    };
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "m.ini");
    TIniProfile profile;
    WriteListPath(profile, "LIST");
    WritePresets(profile, presets);
    WriteSettingsFile(path, profile);
    const std::vector<PresetEntry> back = ReadPresets(ReadSettingsFile(path));
    ASSERT_EQ(back.size(), presets.size());
    for (std::size_t i = 0; i < presets.size(); ++i) {
        EXPECT_EQ(back[i].name, presets[i].name);
        EXPECT_EQ(back[i].value, presets[i].value) << presets[i].name;
    }
}

TEST(SettingsFileTest, AForeignValueIsNotTakenIntoTheExpression) {
    TestFolder folder;
    const std::string path =
        folder.WriteFile("m.ini", "[SearchLog]\r\nfoo=bar\r\n[Presets]\r\nfoo=bar\r\nk=v=w\r\n");
    EXPECT_EQ(ReadSearchHistory(ReadSettingsFile(path)), std::vector<std::string>{"foo"});
    const std::vector<PresetEntry> presets = ReadPresets(ReadSettingsFile(path));
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0].name + "|" + presets[0].value + "|" + presets[1].name + "|" + presets[1].value,
              "foo|bar|k|v=w");
}

// Another program holding the file open stands for every refused write (read-only under Wine as
// root does not refuse).
TEST(SettingsFileTest, FailedWriteKeepsTheOldFileAndNamesIt) {
    TestFolder folder;
    const std::string old = "[Options]\r\nListPath=OLD\r\n";
    const std::string path = folder.WriteFile("m.ini", old);
    TIniProfile profile;
    WriteListPath(profile, "NEW");
    {
        platform::TFile holder(path, platform::TFile::Mode::Read);
        try {
            WriteSettingsFile(path, profile);
            ADD_FAILURE() << "a settings file held by another program was replaced";
        } catch (const ESettingsError& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + platform::FullPath(path));
        }
    }
    EXPECT_EQ(TestFolder::ReadFile(path), old);
}

TEST(SettingsFileTest, WriteIntoAMissingFolderFails) {
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "gone\\m.ini");
    EXPECT_THROW(WriteSettingsFile(path, TIniProfile()), ESettingsError);
    EXPECT_FALSE(platform::FileExists(path));
}

} // namespace
