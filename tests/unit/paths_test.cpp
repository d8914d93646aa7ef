#include "catalogs/paths.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "test_folder.h"

namespace {

struct JoinCase {
    const char* folder;
    const char* name;
    const char* joined;
};

TEST(JoinPath, OneBackslashAtTheSeam) {
    const JoinCase cases[] = {
        {"", "CD01.txt", "CD01.txt"},
        {"", "*.*", "*.*"},
        {"", "", ""},
        {"LIST", "", "LIST"},
        {"LIST", "CD01.txt", "LIST\\CD01.txt"},
        {"LIST", "\\CD01.txt", "LIST\\CD01.txt"},
        {"C:\\", "Data", "C:\\Data"},
        {"LIST\\", "\\CD01.txt", "LIST\\CD01.txt"},
        {"a\\\\", "\\\\b", "a\\\\\\b"},
        {"a\\\\b", "c\\\\d", "a\\\\b\\c\\\\d"},
        {"a/", "b", "a/\\b"}, // the slash is no separator
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
    }
}

TEST(ForceFolder, CreatesMissingParentsTopDown) {
    TestFolder root;
    const std::string deep = JoinPath(root.Path(), "a\\b\\c");
    ForceFolder(deep);
    EXPECT_TRUE(platform::FolderExists(JoinPath(root.Path(), "a")));
    EXPECT_TRUE(platform::FolderExists(deep));
    ForceFolder(deep); // existing folders are left alone
    EXPECT_TRUE(platform::FolderExists(deep));
}

TEST(ForceFolder, TrailingBackslashAndRootsEndTheRecursion) {
    TestFolder root;
    ForceFolder(JoinPath(root.Path(), "x\\"));
    EXPECT_TRUE(platform::FolderExists(JoinPath(root.Path(), "x")));
    ForceFolder("");
#ifdef _WIN32
    ForceFolder("C:\\");
#else
    ForceFolder("/");
#endif
}

TEST(ForceFolder, FileInTheWayFailsSilently) {
    TestFolder root;
    const std::string file = root.WriteFile("busy", "x");
    ForceFolder(JoinPath(file, "sub"));
    EXPECT_TRUE(platform::FileExists(file));
    EXPECT_FALSE(platform::FolderExists(JoinPath(file, "sub")));
}

} // namespace
