#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "expect_error.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/safe_write.h"
#include "test_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_common.h"
#endif

namespace {

TEST(CodePage, ActiveCodePageIsCyrillic) {
    EXPECT_EQ(platform::ActiveCodePage(), 1251u);
}

TEST(CodePage, CaseMappingOfLatinAndCyrillicLetters) {
    const struct {
        unsigned char lower, upper;
    } pairs[] = {{'a', 'A'},   {'z', 'Z'},   {0xE0, 0xC0}, {0xFF, 0xDF}, {0xB8, 0xA8}, {0xA2, 0xA1},
                 {0xB3, 0xB2}, {0xBF, 0xAF}, {0xBA, 0xAA}, {0x90, 0x80}, {0x9A, 0x8A}, {0xB4, 0xA5}};
    for (const auto& p : pairs) {
        const char lower = static_cast<char>(p.lower), upper = static_cast<char>(p.upper);
        EXPECT_EQ(platform::UpperChar(lower), upper) << int(p.lower);
        EXPECT_EQ(platform::LowerChar(upper), lower) << int(p.upper);
        EXPECT_EQ(platform::UpperChar(upper), upper) << int(p.upper);
    }
    for (const int same : {0x30, 0x39, 0x5F, 0x5C, 0x2A, 0x20, 0xB9 /* No. sign */, 0xAB /* quote */}) {
        EXPECT_EQ(platform::UpperChar(static_cast<char>(same)), static_cast<char>(same)) << int(same);
        EXPECT_EQ(platform::LowerChar(static_cast<char>(same)), static_cast<char>(same)) << int(same);
    }
    EXPECT_EQ(platform::UpperString("m\xfa\xe7\xfbka.mp3"), "M\xda\xc7\xdbKA.MP3");
    EXPECT_EQ(platform::LowerString("M\xda\xc7\xdbKA.MP3"), "m\xfa\xe7\xfbka.mp3");
    EXPECT_EQ(platform::UpperString(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(CodePage, ComparisonIgnoresCaseOnlyWhenAsked) {
    EXPECT_EQ(platform::CompareText("Music", "MUSIC"), 0);
    EXPECT_EQ(platform::CompareText("\xec\xf3\xe7\xfb\xea\xe0", "\xcc\xd3\xc7\xdb\xca\xc0"), 0);
    EXPECT_LT(platform::CompareText("apple", "Banana"), 0);
    EXPECT_LT(platform::CompareText("ab", "abc"), 0);
    EXPECT_GT(platform::CompareText("\xff", "\xe0"), 0);  // я after а
    EXPECT_LT(platform::CompareText("zebra", "\xe0"), 0); // Latin before Cyrillic
    EXPECT_NE(platform::CompareStr("Music", "music"), 0);
    EXPECT_EQ(platform::CompareStr("Music", "Music"), 0);
    EXPECT_LT(platform::CompareStr("apple", "Banana"), 0);
}

std::string Expected(const char* what, const std::string& path) {
    return std::string(what) + " \"" + platform::FullPath(path) + "\". ";
}

void ExpectFileError(const std::function<void()>& action, const std::string& prefix) {
    try {
        action();
        ADD_FAILURE() << "no error; expected " << prefix;
    } catch (const platform::EFileError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.substr(0, prefix.size()), prefix);
        EXPECT_GT(text.size(), prefix.size()) << "the system's text is missing: " << text;
        EXPECT_NE(text.back(), '.') << text;
    }
}

TEST(Files, ExistenceTellsFilesFromFolders) {
    TestFolder root;
    const std::string file = root.WriteFile("f.txt", "x");
    EXPECT_TRUE(platform::FileExists(file));
    EXPECT_FALSE(platform::FolderExists(file));
    EXPECT_TRUE(platform::FolderExists(root.Path()));
    EXPECT_FALSE(platform::FileExists(root.Path()));
    EXPECT_FALSE(platform::FileExists(JoinPath(root.Path(), "none")));
    EXPECT_FALSE(platform::FileExists(""));
}

TEST(Files, ExclusiveAccessRefusesASecondOpener) {
    TestFolder root;
    const std::string file = root.WriteFile("held.txt", "content");
    {
        platform::TFile holder(file, platform::TFile::Mode::Read);
        ExpectFileError([&] { platform::TFile(file, platform::TFile::Mode::Read); },
                        Expected("Cannot open file", file));
        ExpectFileError([&] { platform::TFile(file, platform::TFile::Mode::Create); },
                        Expected("Cannot create file", file));
    }
    EXPECT_EQ(TestFolder::ReadFile(file), "content"); // the refused create did not truncate it
}

TEST(Files, MissingFileAndFolderErrorsNameTheFullPath) {
    TestFolder root;
    const std::string missing = JoinPath(root.Path(), "none.txt");
    ExpectFileError([&] { platform::TFile(missing, platform::TFile::Mode::Read); },
                    Expected("Cannot open file", missing));
    const std::string inMissingFolder = JoinPath(root.Path(), "no\\such.txt");
    ExpectFileError([&] { platform::TFile(inMissingFolder, platform::TFile::Mode::Create); },
                    Expected("Cannot create file", inMissingFolder));
}

TEST(Files, WholeFileIsReadFromThePositionOn) {
    TestFolder root;
    const std::string big(3 << 20, 'x'); // larger than one read of a file that grows
    for (const std::string& content : {std::string(), std::string("ab\0c", 4), big}) {
        const std::string file = root.WriteFile("whole.txt", content);
        platform::TFile open(file, platform::TFile::Mode::Read);
        std::string into = "left over";
        platform::ReadWholeFile(open, into);
        EXPECT_EQ(into, content);
        open.Seek(1);
        EXPECT_EQ(platform::ReadWholeFile(open), content.empty() ? "" : content.substr(1));
    }
}

#ifdef __linux__
// The start of a process's own memory is never mapped, so reading it fails as a damaged disk does.
TEST(Files, AFailingReadIsAnErrorNotAShorterFile) {
    ExpectError<platform::EFileError>([] { platform::ReadWholeFile("/proc/self/mem"); }, "Stream read error");
}
#endif

std::vector<std::string> FolderContent(const TestFolder& folder) {
    std::vector<std::string> names;
    platform::TFindFiles find(JoinPath(folder.Path(), "*"));
    platform::FoundEntry entry;
    while (find.Next(entry)) {
        if (entry.name != "." && entry.name != "..") {
            names.push_back(entry.name);
        }
    }
    return names;
}

TEST(SafeWrite, CommitReplacesTheFileAndLeavesNothingBehind) {
    TestFolder root;
    const std::string file = root.WriteFile("cat.txt", "old");
    {
        platform::TSafeWrite write(file);
        write.Write("new text", 8);
        EXPECT_EQ(TestFolder::ReadFile(file), "old");
        write.Commit();
    }
    EXPECT_EQ(TestFolder::ReadFile(file), "new text");
    EXPECT_EQ(FolderContent(root), std::vector<std::string>{"cat.txt"});
}

TEST(SafeWrite, WithoutCommitTheOriginalStaysAndTheTemporaryFileGoes) {
    TestFolder root;
    const std::string file = root.WriteFile("cat.txt", "old");
    try {
        platform::TSafeWrite write(file);
        write.Write("half", 4);
        throw std::runtime_error("a failure in the middle");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TestFolder::ReadFile(file), "old");
    EXPECT_EQ(FolderContent(root), std::vector<std::string>{"cat.txt"});
}

TEST(SafeWrite, AFileInUseIsRefusedUnderItsOwnName) {
    TestFolder root;
    const std::string file = root.WriteFile("cat.txt", "old");
    platform::TFile holder(file, platform::TFile::Mode::Read);
    ExpectFileError([&] { platform::TSafeWrite write(file); }, Expected("Cannot create file", file));
    EXPECT_EQ(FolderContent(root), std::vector<std::string>{"cat.txt"});
}

TEST(SafeWrite, AMissingFolderIsReportedForTheTarget) {
    TestFolder root;
    const std::string file = JoinPath(root.Path(), "sub\\cat.txt");
    ExpectFileError([&] { platform::TSafeWrite write(file); }, Expected("Cannot create file", file));
}

TEST(SafeWrite, NewFileIsCreated) {
    TestFolder root;
    const std::string file = JoinPath(root.Path(), "fresh.txt");
    platform::TSafeWrite write(file);
    write.Commit();
    EXPECT_EQ(TestFolder::ReadFile(file), "");
}

TEST(SafeWrite, TemporaryNameIsHiddenFromTheCatalogList) {
    TestFolder root;
    const std::string name = platform::TempNameBeside(JoinPath(root.Path(), "cat.txt"));
    EXPECT_EQ(name.substr(0, root.Path().size() + 2), root.Path() + "\\.");
    EXPECT_EQ(name.find('\\', root.Path().size() + 1), std::string::npos);
}

#ifndef _WIN32
// Each mode must survive a rewrite: a private catalog must not become readable by others.
TEST(SafeWrite, TheModeOfTheOriginalIsKept) {
    TestFolder root;
    for (const mode_t mode : {0600, 0640, 0604, 0660}) {
        const std::string file = root.WriteFile("cat.txt", "old");
        chmod(platform::NativePath(file).c_str(), mode);
        platform::TSafeWrite write(file);
        write.Write("new", 3);
        write.Commit();
        struct stat st {};
        ASSERT_EQ(stat(platform::NativePath(file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(TestFolder::ReadFile(file), "new");
    }
}

TEST(SafeWrite, ALinkStaysALinkAndItsTargetGetsTheContent) {
    TestFolder root;
    const std::string real = root.WriteFile("real.txt", "old");
    const std::string link = JoinPath(root.Path(), "link.txt");
    ASSERT_EQ(symlink("real.txt", platform::NativePath(link).c_str()), 0);
    {
        platform::TSafeWrite write(link);
        write.Write("new", 3);
        write.Commit();
    }
    struct stat st {};
    ASSERT_EQ(lstat(platform::NativePath(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(TestFolder::ReadFile(real), "new");
    std::vector<std::string> names = FolderContent(root);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link.txt", "real.txt"}));
}
#endif

#ifdef _WIN32
TEST(SafeWrite, HiddenOrSystemFileIsRefusedAsRecreatingItWouldBe) {
    TestFolder root;
    for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
        const std::string file = root.WriteFile("special.txt", "old");
        SetFileAttributesA(file.c_str(), attribute);
        ExpectFileError([&] { platform::TFile(file, platform::TFile::Mode::Create); },
                        Expected("Cannot create file", file));
        ExpectFileError([&] { platform::TSafeWrite write(file); }, Expected("Cannot create file", file));
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(TestFolder::ReadFile(file), "old");
        platform::RemoveFile(file);
    }
}

// Wine keeps no other attribute a program may set; Windows keeps more, through ReplaceFile.
TEST(Files, AReplacedFileKeepsItsHiddenAndSystemAttributes) {
    TestFolder root;
    for (const DWORD kept :
         {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
        const std::string file = root.WriteFile("cat.txt", "old");
        SetFileAttributesA(file.c_str(), kept);
        platform::ReplaceFileWith(file, root.WriteFile(".new", "new"));
        const DWORD attributes = GetFileAttributesA(file.c_str());
        EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), kept)
            << std::hex << attributes;
        EXPECT_EQ(TestFolder::ReadFile(file), "new");
        EXPECT_EQ(FolderContent(root), std::vector<std::string>{"cat.txt"});
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(SafeWrite, AFailedReplacementLeavesTheOriginalAndNothingElse) {
    TestFolder root;
    const std::string file = root.WriteFile("cat.txt", "old");
    {
        platform::TSafeWrite write(file);
        write.Write("new", 3);
        platform::TFile holder(file, platform::TFile::Mode::Read);
        ExpectFileError([&] { write.Commit(); }, Expected("Cannot create file", file));
    }
    EXPECT_EQ(TestFolder::ReadFile(file), "old");
    EXPECT_EQ(FolderContent(root), std::vector<std::string>{"cat.txt"});
}
#endif

} // namespace
