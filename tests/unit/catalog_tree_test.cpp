#include "catalogs/catalog_tree.h"

#include <gtest/gtest.h>

#include "catalogs/catalog_files.h"
#include "catalogs/container.h"
#include "test_folder.h"

namespace {

using Lines = std::vector<std::string>;

TEST(CatalogRoot, DeepestFolderOverEveryLine) {
    const struct {
        const char* text;
        const char* root;
    } cases[] = {
        {"C:\\Data\\a.txt\r\nC:\\Data\\Docs\r\nC:\\Data\\Docs\\x.doc\r\n", "C:\\Data"},
        {"C:\\Data\\Docs\\x.doc\r\nC:\\Data\\Docs\\Sub\\y\r\n", "C:\\Data\\Docs"},
        {"E:\\a\r\nE:\\b\r\nE:\\b\\c\r\n", "E:\\"},              // a whole disk
        {"E:\\only.txt\r\n", "E:\\"},                            // one entry: its folder
        {"C:\\Data\\ab\\x\r\nC:\\Data\\abc\\y\r\n", "C:\\Data"}, // a shared start is no folder
        {"C:\\Data\\abc\\x\r\nC:\\Data\\ab\\y\r\n", "C:\\Data"},
        {"C:\\Data\\ab\\x\\1\r\nC:\\Data\\ab\r\n", "C:\\Data"}, // a line's own folder comes later
        {"C:\\Data\\ab\r\nC:\\Data\\ab\\x\\1\r\n", "C:\\Data"},
        {"C:\\a\\x\r\nD:\\a\\x\r\n", ""}, // two disks share nothing
        {"\\\\server\\share\\a\r\n\\\\server\\share\\b\\c\r\n", "\\\\server\\share"},
        {"D:\\Music\\a.mp3\nD:\\Music\\b.mp3\n\r\n\n", "D:\\Music"}, // LF alone, empty lines
        {"D:\\Music\\a.mp3", "D:\\Music"},                           // no end of line
        {"a.txt\r\nb.txt\r\n", ""},                                  // names without a folder
        {"tree\\a\r\ntree\\b\\c\r\n", "tree"},                       // a relative listing
        {"C:\\data\\a\r\nC:\\Data\\b\r\n", "C:\\"},                  // letter case counts
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CatalogRoot(c.text), c.root) << c.text;
    }
}

TEST(CompareCatalogs, NewAndGonePathsSortedOnce) {
    const struct {
        const char* before;
        const char* after;
        Lines added;
        Lines removed;
    } cases[] = {
        {"C:\\a\r\nC:\\b\r\n", "C:\\b\r\nC:\\a\r\n", {}, {}}, // order plays no part
        {"C:\\a\r\nC:\\b\r\n", "C:\\a\r\nC:\\c\r\nC:\\0\r\n", {"C:\\0", "C:\\c"}, {"C:\\b"}},
        {"", "C:\\x\r\nC:\\x\r\n", {"C:\\x"}, {}}, // a repeated line counts once
        {"C:\\x\r\nC:\\y\r\n", "", {}, {"C:\\x", "C:\\y"}},
        {"C:\\x\nC:\\y\n", "C:\\x\r\nC:\\Y\r\n", {"C:\\Y"}, {"C:\\y"}}, // LF alone; case counts
    };
    for (const auto& c : cases) {
        const TCatalogChanges changes = CompareCatalogs(CatalogLines(c.before), CatalogLines(c.after));
        EXPECT_EQ(changes.added, c.added) << c.before << " -> " << c.after;
        EXPECT_EQ(changes.removed, c.removed) << c.before << " -> " << c.after;
    }
}

TEST(DescribeCatalogChanges, HeadingPerKindOrOneLine) {
    const struct {
        TCatalogChanges changes;
        const char* text;
    } cases[] = {
        {{}, "No change in CD01.txt"},
        {{{"E:\\n1", "E:\\n2"}, {}}, " ------ New in CD01.txt :\r\nE:\\n1\r\nE:\\n2\r\n"},
        {{{}, {"E:\\g"}}, " ------ Gone from CD01.txt :\r\nE:\\g\r\n"},
        {{{"E:\\n"}, {"E:\\g"}},
         " ------ New in CD01.txt :\r\nE:\\n\r\n\r\n ------ Gone from CD01.txt :\r\nE:\\g\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescribeCatalogChanges("CD01.txt", c.changes), c.text);
    }
}

// A tree, its catalog, then files added and removed: the update reports exactly those, leaves the
// catalog as a fresh walk makes it, and keeps it packed or plain as it was.
TEST(UpdateCatalogFile, ReportsTheChangesAndKeepsTheKind) {
    for (const bool packed : {false, true}) {
        TestFolder folder;
        const std::string tree = folder.MakeFolder("tree");
        folder.WriteFile("tree\\a.txt", "a");
        folder.WriteFile("tree\\old.txt", "o");
        folder.MakeFolder("tree\\Docs");
        folder.WriteFile("tree\\Docs\\x.doc", "x");
        const std::string catalog = JoinPath(folder.Path(), "CD01.txt");
        CreateCatalogFile(tree, catalog);
        if (packed) {
            PackCatalogFile(catalog);
        }
        folder.WriteFile("tree\\Docs\\new.doc", "n");
        platform::RemoveFile(JoinPath(tree, "old.txt"));

        const TCatalogChanges changes = UpdateCatalogFile(catalog, tree);
        EXPECT_EQ(changes.added, Lines{JoinPath(tree, "Docs\\new.doc")});
        EXPECT_EQ(changes.removed, Lines{JoinPath(tree, "old.txt")});
        EXPECT_EQ(IsPackedFile(catalog), packed);
        const std::string fresh = JoinPath(folder.Path(), "fresh.txt");
        CreateCatalogFile(tree, fresh);
        EXPECT_EQ(ReadCatalogText(catalog), TestFolder::ReadFile(fresh));
        EXPECT_EQ(CatalogRoot(ReadCatalogText(catalog)), tree);

        const TCatalogChanges again = UpdateCatalogFile(catalog, tree);
        EXPECT_TRUE(again.added.empty() && again.removed.empty());
    }
}

TEST(UpdateCatalogFile, MissingCatalogBecomesAPlainOneOfTheTree) {
    TestFolder folder;
    const std::string tree = folder.MakeFolder("tree");
    folder.WriteFile("tree\\a.txt", "a");
    const std::string catalog = JoinPath(folder.Path(), "gone.txt");
    const TCatalogChanges changes = UpdateCatalogFile(catalog, tree);
    EXPECT_EQ(changes.added, Lines{JoinPath(tree, "a.txt")});
    EXPECT_TRUE(changes.removed.empty());
    EXPECT_EQ(TestFolder::ReadFile(catalog), JoinPath(tree, "a.txt") + "\r\n");
}

} // namespace
