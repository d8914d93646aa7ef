#include "catalogs/walker.h"

#include <algorithm>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "catalogs/paths.h"
#include "platform/find.h"
#include "test_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_common.h"

using platform::NativePath;
#endif

namespace {

using Lines = std::vector<std::string>;

//  root: a.txt b.txt .profile ro.txt(read-only) Docs\x.doc Docs\Sub\deep.txt .config\in.txt
//        Music\song.mp3 Music\song.txt, and on Windows also Old\y.txt with Old hidden,
//        Sys\z.txt with Sys a system folder, and hid.txt a hidden file.
class WalkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.WriteFile("a.txt", "a");
        tree.WriteFile("b.txt", "b");
        tree.WriteFile(".profile", "p");
        tree.WriteFile("ro.txt", "r");
        tree.MakeFolder("Docs");
        tree.WriteFile("Docs\\x.doc", "x");
        tree.MakeFolder("Docs\\Sub");
        tree.WriteFile("Docs\\Sub\\deep.txt", "d");
        tree.MakeFolder(".config");
        tree.WriteFile(".config\\in.txt", "i");
        tree.MakeFolder("Music");
        tree.WriteFile("Music\\song.mp3", "m");
        tree.WriteFile("Music\\song.txt", "t");
#ifdef _WIN32
        tree.MakeFolder("Old");
        tree.WriteFile("Old\\y.txt", "y");
        tree.MakeFolder("Sys");
        tree.WriteFile("Sys\\z.txt", "z");
        tree.WriteFile("hid.txt", "h");
        SetFileAttributesA(Path("Old").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA(Path("Sys").c_str(), FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesA(Path("hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
#else
        chmod(NativePath(Path("ro.txt")).c_str(), 0444);
#endif
    }

    std::string Path(const std::string& relative) const {
        return JoinPath(tree.Path(), relative);
    }

    // The order the walker must give these lines: depth first, each folder's own entries before its
    // subtrees, both in the order in which the platform enumerates the folder.
    Lines InWalkOrder(Lines lines, bool fullPaths) const {
        const std::size_t prefix = fullPaths ? tree.Path().size() + 1 : 0;
        auto key = [&](const std::string& line) {
            std::vector<std::pair<int, int>> k;
            std::string folder;
            std::string rest = line.substr(prefix);
            for (;;) {
                const std::size_t cut = rest.find('\\');
                const std::string name = rest.substr(0, cut);
                k.emplace_back(cut == std::string::npos ? 0 : 1, IndexIn(folder, name));
                if (cut == std::string::npos) {
                    return k;
                }
                folder = JoinPath(folder, name);
                rest = rest.substr(cut + 1);
            }
        };
        std::stable_sort(lines.begin(), lines.end(),
                         [&](const std::string& x, const std::string& y) { return key(x) < key(y); });
        return lines;
    }

    int IndexIn(const std::string& folder, const std::string& name) const {
        platform::TFindFiles find(JoinPath(Path(folder), "*.*"));
        platform::FoundEntry entry;
        for (int i = 0; find.Next(entry); ++i) {
            if (entry.name == name) {
                return i;
            }
        }
        ADD_FAILURE() << name << " is not in " << folder;
        return -1;
    }

    Lines Full(const Lines& relative) const {
        Lines full;
        for (const auto& line : relative) {
            full.push_back(Path(line));
        }
        return full;
    }

    TestFolder tree;
};

#ifdef _WIN32
const Lines kHiddenTop = {"Old", "Sys", "hid.txt"};
#else
const Lines kHiddenTop = {};
#endif

Lines Plus(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(WalkerTest, CatalogCreationListsTheWholeTreeDepthFirst) {
    Lines lines;
    EXPECT_TRUE(ListFiles(tree.Path(), "*.*", kAllAttributes, lines, {true, true, true}));
    const Lines expected = Full(Plus({"a.txt", "b.txt", "ro.txt", "Docs", "Music", "Docs\\x.doc", "Docs\\Sub",
                                      "Docs\\Sub\\deep.txt", "Music\\song.mp3", "Music\\song.txt"},
                                     kHiddenTop));
    EXPECT_EQ(lines, InWalkOrder(expected, true));
}

struct WalkCase {
    const char* what;
    const char* mask;
    std::uint32_t attributes;
    WalkOptions options;
    Lines expected;
};

TEST_F(WalkerTest, MasksAttributesAndOptions) {
    const WalkCase cases[] = {
        {"catalog list: names of files only",
         "*.*",
         kAllAttributes,
         {},
         Plus({"a.txt", "b.txt", "ro.txt"},
#ifdef _WIN32
              {"hid.txt"}
#else
              {}
#endif
              )},
        {"recursing without folders lists only files, from every level",
         "*.*",
         kAllAttributes,
         {true, false, false},
         Plus({"a.txt", "b.txt", "ro.txt", "Docs\\x.doc", "Docs\\Sub\\deep.txt", "Music\\song.mp3",
               "Music\\song.txt"},
#ifdef _WIN32
              {"hid.txt"}
#else
              {}
#endif
              )},
        {"a mask filters files, yet every folder is entered",
         "*.txt",
         kAllAttributes,
         {true, false, false},
         Plus({"a.txt", "b.txt", "ro.txt", "Docs\\Sub\\deep.txt", "Music\\song.txt"},
#ifdef _WIN32
              {"hid.txt"}
#else
              {}
#endif
              )},
        {"folders and archive only: no read-only, hidden or system entries",
         "*.*",
         platform::kAttrFolder | platform::kAttrArchive,
         {false, false, true},
         {"a.txt", "b.txt", "Docs", "Music"}},
        {"folders only, without recursion",
         "*.*",
         platform::kAttrFolder,
         {false, false, true},
         {"Docs", "Music"}},
    };
    for (const auto& c : cases) {
        Lines lines;
        const bool any = ListFiles(tree.Path(), c.mask, c.attributes, lines, c.options);
        EXPECT_EQ(lines, InWalkOrder(c.expected, false)) << c.what;
        EXPECT_EQ(any, !c.expected.empty()) << c.what;
    }
}

TEST_F(WalkerTest, TargetIsEmptiedFirst) {
    Lines lines = {"left over"};
    ListFiles(Path("Music"), "*.mp3", kAllAttributes, lines, {});
    EXPECT_EQ(lines, Lines{"song.mp3"});
}

TEST(Walker, MissingOrEmptyFolderGivesNothing) {
    TestFolder empty;
    Lines lines = {"x"};
    EXPECT_FALSE(ListFiles(empty.Path(), "*.*", kAllAttributes, lines, {true, true, true}));
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(ListFiles(JoinPath(empty.Path(), "none"), "*.*", kAllAttributes, lines, {true, true, true}));
    EXPECT_TRUE(lines.empty());
}

TEST(Walker, FolderEndingInBackslashKeepsOneAtTheSeam) {
    TestFolder root;
    root.WriteFile("f.txt", "");
    Lines lines;
    ListFiles(root.Path() + "\\", "*.*", kAllAttributes, lines, {true, true, true});
    EXPECT_EQ(lines, Lines{root.Path() + "\\f.txt"});
}

#ifdef _WIN32
// Folders and files made by the wide-character calls below a folder, where the ANSI calls cannot go:
// names outside the code page, paths beyond MAX_PATH. Removed the same way when the object goes.
class TWideTree {
public:
    explicit TWideTree(const std::string& folder) : root(L"\\\\?\\" + Widened(platform::FullPath(folder))) {}
    ~TWideTree() {
        for (auto made = entries.rbegin(); made != entries.rend(); ++made) {
            if (made->second) {
                RemoveDirectoryW(made->first.c_str());
            } else {
                DeleteFileW(made->first.c_str());
            }
        }
    }
    TWideTree(const TWideTree&) = delete;
    TWideTree& operator=(const TWideTree&) = delete;

    void MakeFolder(const std::wstring& relative) {
        const std::wstring path = root + L'\\' + relative;
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
        entries.emplace_back(path, true);
    }
    void MakeFile(const std::wstring& relative) {
        const std::wstring path = root + L'\\' + relative;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        CloseHandle(file);
        entries.emplace_back(path, false);
    }

    static std::wstring Widened(const std::string& text) {
        std::wstring wide(text.size(), L'\0');
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                                 static_cast<int>(text.size()), wide.data(),
                                                                 static_cast<int>(wide.size()))));
        return wide;
    }

private:
    const std::wstring root;
    std::vector<std::pair<std::wstring, bool>> entries; // path, and whether it is a folder
};

TEST(Walker, TreeDeeperThanMaxPathIsListedToTheBottom) {
    TestFolder root;
    TWideTree tree(root.Path());
    Lines expected;
    std::wstring relative;
    std::string line = root.Path();
    for (int level = 0; level < 300; ++level) {
        const std::string name = std::to_string(level % 100);
        relative += (relative.empty() ? L"" : L"\\") + TWideTree::Widened(name);
        tree.MakeFolder(relative);
        line += '\\' + name;
        expected.push_back(line);
    }
    tree.MakeFile(relative + L"\\bottom.txt");
    expected.push_back(line + "\\bottom.txt");
    ASSERT_GT(expected.back().size(), std::size_t{MAX_PATH});
    Lines lines;
    ListFiles(root.Path(), "*.*", kAllAttributes, lines, {true, true, true});
    EXPECT_EQ(lines, expected);
}

TEST(Walker, FolderNameOutsideTheCodePageIsListedWithItsContent) {
    TestFolder root;
    TWideTree tree(root.Path());
    tree.MakeFolder(L"\u4e2d\u6587");
    tree.MakeFile(L"\u4e2d\u6587\\f.txt");
    Lines lines;
    ListFiles(root.Path(), "*.*", kAllAttributes, lines, {true, true, true});
    EXPECT_EQ(lines, (Lines{JoinPath(root.Path(), "??"), JoinPath(root.Path(), "??\\f.txt")}));
}
#endif

#ifndef _WIN32
TEST(Walker, LinkBackIntoTheTreeIsListedButNotEnteredAgain) {
    TestFolder root;
    root.MakeFolder("a");
    root.WriteFile("a\\f.txt", "");
    const std::string native = NativePath(root.Path());
    ASSERT_EQ(symlink(native.c_str(), (native + "/a/up").c_str()), 0);
    ASSERT_EQ(symlink((native + "/a").c_str(), (native + "/side").c_str()), 0);
    Lines lines;
    ListFiles(root.Path(), "*.*", kAllAttributes, lines, {true, false, true});
    std::sort(lines.begin(), lines.end());
    // "side" leads to a folder beside the descent, so it is walked; "up" leads back to the root.
    const Lines expected = {"a", "a\\f.txt", "a\\up", "side", "side\\f.txt", "side\\up"};
    EXPECT_EQ(lines, expected);
}
#endif

} // namespace
