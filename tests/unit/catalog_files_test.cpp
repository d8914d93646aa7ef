#include "catalogs/catalog_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "catalogs/container.h"
#include "catalogs/read_ahead.h"
#include "catalogs/rewrite.h"
#include "container_bytes.h"
#include "platform/find.h"
#include "test_folder.h"
#include "test_streams.h"

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace {

using namespace testbytes;

constexpr char kCatalogBytes[] =
    "C:\\Windows\r\nC:\\\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB\\a.txt\r\nD:\\\0odd\r\nlast";
const std::string kCatalog(kCatalogBytes, sizeof kCatalogBytes - 1);

template <typename Action> std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// The names in `folder`, to see that no temporary file was left behind.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    platform::TFindFiles find(JoinPath(folder, "*"));
    platform::FoundEntry entry;
    while (find.Next(entry)) {
        if (entry.name != "." && entry.name != "..") {
            names.push_back(entry.name);
        }
    }
    return names;
}

std::string PackedBytes(const std::string& text, std::uint32_t key) {
    TMemoryStream source(text);
    TMemoryStream packed;
    PackStream(source, packed, key);
    return packed.Bytes();
}

TEST(ReadCatalogText, GivesPlainAndPackedCatalogsAlike) {
    TestFolder folder;
    const std::string plain = folder.WriteFile("plain.txt", kCatalog);
    const std::string packed = folder.WriteFile("packed", PackedBytes(kCatalog, kPackKey));
    const std::string other = folder.WriteFile("other", PackedBytes(kCatalog, 0x0BADF00D));
    const std::string empty = folder.WriteFile("empty", "");
    for (const std::string& path : {plain, packed, other}) {
        EXPECT_EQ(ReadCatalogText(path), kCatalog) << path;
        auto stream = LoadCatalogStream(path);
        EXPECT_EQ(stream->Bytes(), kCatalog) << path;
    }
    EXPECT_EQ(ReadCatalogText(empty), "");
    EXPECT_EQ(ReadCatalogText(JoinPath(folder.Path(), "missing")), "");
    EXPECT_EQ(ReadCatalogText(folder.Path()), ""); // a folder is no catalog
    EXPECT_EQ(LoadCatalogStream(JoinPath(folder.Path(), "missing"))->Size(), 0);

    // A search's buffer gives the same text, one catalog after another, larger and smaller.
    constexpr char kUtf16[] = "\xFF\xFE"
                              "C\0:\0\\\0\x1E\x04\r\0\n\0";
    const std::string utf16 = folder.WriteFile("utf16", std::string(kUtf16, sizeof kUtf16 - 1));
    const std::string page = folder.WriteFile("page", std::string(4095, 'a') + "\xC0");
    TCatalogText text;
    for (const std::string& path : {plain, packed, utf16, empty, page, other,
                                    JoinPath(folder.Path(), "missing"), folder.Path(), plain}) {
        EXPECT_EQ(text.Load(path), ReadCatalogText(path)) << path;
    }
}

TEST(TReadAhead, GivesTheTextOfTheCatalogAskedForAndItsError) {
    TestFolder folder;
    const std::string a = folder.WriteFile("a.txt", "C:\\a\r\n");
    const std::string b = folder.WriteFile("b.txt", PackedBytes("C:\\b\r\n", kPackKey));
    const std::string damaged = folder.WriteFile("damaged", "Uni_Data\x03\0\0\0\x11\0\0\0");
    TReadAhead ahead;
    TCatalogText text;
    ahead.Start(b);
    // A tick changed meanwhile: the catalog asked for, not the one read ahead.
    EXPECT_EQ(ahead.Take(a, text), "C:\\a\r\n");
    EXPECT_EQ(ahead.Take(b, text), "C:\\b\r\n");
    EXPECT_EQ(text.Text(), "C:\\b\r\n");
    const std::string readError = ErrorOf([&] { ReadCatalogText(damaged); });
    ASSERT_FALSE(readError.empty());
    ahead.Start(damaged);
    EXPECT_EQ(ErrorOf([&] { ahead.Take(damaged, text); }), readError);
    ahead.Start(damaged); // never taken: its error does not reach the next catalog
    ahead.Start(a);
    EXPECT_EQ(ahead.Take(a, text), "C:\\a\r\n");
    EXPECT_EQ(text.Text(), "C:\\a\r\n"); // read ahead into the other buffer and swapped in
}

TEST(PackCatalogFile, PackAndUnpackGiveBackTheSameBytes) {
    TestFolder folder;
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "E:\\Archive\\" + std::to_string(i * 7919) + "\\\xEF\xF0\xE8\xEC\xE5\xF0.dat\r\n";
    }
    const std::string path = folder.WriteFile("CD01.txt", text);
    PackCatalogFile(path);
    EXPECT_TRUE(IsPackedFile(path));
    const std::string packed = TestFolder::ReadFile(path);
    EXPECT_LT(packed.size(), text.size() / 4);
    EXPECT_EQ(packed.substr(packed.size() - 4), U32(kPackKey));
    EXPECT_EQ(ReadCatalogText(path), text);
    PackCatalogFile(path); // packing a packed catalog packs its text again, not the container
    EXPECT_EQ(ReadCatalogText(path), text);
    UnpackCatalogFile(path);
    EXPECT_FALSE(IsPackedFile(path));
    EXPECT_EQ(TestFolder::ReadFile(path), text);
    UnpackCatalogFile(path); // a plain catalog stays as it is
    EXPECT_EQ(TestFolder::ReadFile(path), text);
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"CD01.txt"});
}

TEST(PackCatalogFile, KeepsTheBytesOfAListingInAnotherEncoding) {
    TestFolder folder;
    // "C:\Отчёт\r\n" in UTF-16LE with its mark, as PowerShell writes it.
    constexpr char kUtf16[] = "\xFF\xFE"
                              "C\0:\0\\\0\x1E\x04\x42\x04\x47\x04\x51\x04\x42\x04\r\0\n\0";
    const std::string utf16(kUtf16, sizeof kUtf16 - 1);
    const std::string path = folder.WriteFile("ps.txt", utf16);
    PackCatalogFile(path);
    EXPECT_EQ(ReadCatalogText(path), "C:\\\xCE\xF2\xF7\xB8\xF2\r\n");
    UnpackCatalogFile(path);
    EXPECT_EQ(TestFolder::ReadFile(path), utf16);
}

TEST(PackCatalogFile, RepacksAForeignKeyWithTheProgramsKey) {
    TestFolder folder;
    const std::string path = folder.WriteFile("foreign", PackedBytes(kCatalog, 0x12345678));
    UnpackCatalogFile(path);
    EXPECT_EQ(TestFolder::ReadFile(path), kCatalog);
    PackCatalogFile(path);
    const std::string packed = TestFolder::ReadFile(path);
    EXPECT_EQ(packed.substr(packed.size() - 4), U32(kPackKey));
    EXPECT_EQ(packed, PackedBytes(kCatalog, kPackKey));
}

TEST(PackCatalogFile, AMissingFileBecomesAnEmptyPackedCatalog) {
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "gone");
    PackCatalogFile(path);
    EXPECT_EQ(TestFolder::ReadFile(path), PackedBytes("", kPackKey));
    EXPECT_EQ(TestFolder::ReadFile(path).size(), 45u);
}

TEST(PackCatalogFile, AnUnreadableContainerIsLeftAsItWas) {
    TestFolder folder;
    const std::string zipped = Compress(kCatalog);
    std::string damaged = zipped;
    damaged[5] = static_cast<char>(damaged[5] ^ 0x55);
    damaged[6] = static_cast<char>(damaged[6] ^ 0x55);
    const auto kSize = static_cast<std::int64_t>(kCatalog.size());
    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
    };
    const Case cases[] = {
        {"version 3 scrambler", HeaderRecord("Uni_Data", kSize, 0x93, zipped, U32(1)), "Stream read error"},
        {"truncated", HeaderRecord("Uni_Data", kSize, 0x80, zipped.substr(0, 10), ""), "Stream read error"},
        {"damaged", HeaderRecord("Uni_Data", kSize, 0x80, damaged, ""), "Error"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.WriteFile("bad", c.bytes);
        EXPECT_EQ(ErrorOf([&] { PackCatalogFile(path); }), c.error) << c.name;
        EXPECT_EQ(ErrorOf([&] { UnpackCatalogFile(path); }), c.error) << c.name;
        EXPECT_EQ(TestFolder::ReadFile(path), c.bytes) << c.name;
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"bad"}) << c.name;
    }
}

// Another opener holds the file with exclusive access, as another program would.
TEST(PackCatalogFile, AFileHeldOpenFailsAndStaysAsItWas) {
    TestFolder folder;
    const std::string bytes = PackedBytes(kCatalog, kPackKey);
    const std::string path = folder.WriteFile("held", bytes);
    const std::string expected = "Cannot open file \"" + platform::FullPath(path) + "\". ";
    {
        platform::TFile holder(path, platform::TFile::Mode::Read);
        EXPECT_EQ(ErrorOf([&] { ReadCatalogText(path); }).substr(0, expected.size()), expected);
        EXPECT_EQ(ErrorOf([&] { PackCatalogFile(path); }).substr(0, expected.size()), expected);
        EXPECT_EQ(ErrorOf([&] { UnpackCatalogFile(path); }).substr(0, expected.size()), expected);
        EXPECT_EQ(ErrorOf([&] { IsPackedFile(path); }).substr(0, expected.size()), expected);
        // The menu still offers both conversions, so that choosing one says why it fails.
        EXPECT_TRUE(CompressCatalogEnabled(path));
        EXPECT_TRUE(DecompressCatalogEnabled(path));
    }
    EXPECT_EQ(TestFolder::ReadFile(path), bytes);
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"held"});
}

TEST(CatalogCommands, EnablingFollowsSelectionAndTheFilesKind) {
    TestFolder folder;
    const std::string plain = folder.WriteFile("plain", kCatalog);
    const std::string packed = folder.WriteFile("packed", PackedBytes(kCatalog, kPackKey));
    struct Case {
        std::optional<std::string> selected;
        bool update, list, compress, decompress;
    };
    const Case cases[] = {
        {std::nullopt, false, false, false, false},
        {plain, true, true, true, false},
        {packed, true, true, false, true},
        {JoinPath(folder.Path(), "vanished"), true, true, true, false},
    };
    for (const Case& c : cases) {
        const std::string name = c.selected.value_or("<none>");
        EXPECT_EQ(UpdateCatalogEnabled(c.selected), c.update) << name;
        EXPECT_EQ(ListCatalogEnabled(c.selected), c.list) << name;
        EXPECT_EQ(CompressCatalogEnabled(c.selected), c.compress) << name;
        EXPECT_EQ(DecompressCatalogEnabled(c.selected), c.decompress) << name;
    }
    PackCatalogFile(plain);
    EXPECT_FALSE(CompressCatalogEnabled(plain));
    EXPECT_TRUE(DecompressCatalogEnabled(plain));
}

TEST(WriteCatalog, EveryLineEndsInCrLf) {
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "new.txt");
    WriteCatalog(path, {"C:\\a", "C:\\a\\\xE9.txt", ""});
    EXPECT_EQ(TestFolder::ReadFile(path), "C:\\a\r\nC:\\a\\\xE9.txt\r\n\r\n");
    WriteCatalog(path, {});
    EXPECT_EQ(TestFolder::ReadFile(path), "");
    std::vector<std::string> many(300000, "D:\\some\\longer\\path\\name.ext");
    const std::string over = folder.WriteFile("packed", PackedBytes(kCatalog, kPackKey));
    WriteCatalog(over, many);
    EXPECT_FALSE(IsPackedFile(over));
    EXPECT_EQ(TestFolder::ReadFile(over).size(), many.size() * (many[0].size() + 2));
    EXPECT_EQ(Names(folder.Path()).size(), 2u);
}

TEST(WriteCatalog, FailsWithTheFileLayersErrorWhereNoFileCanBeMade) {
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "missing\\x.txt");
    const std::string expected = "Cannot create file \"" + platform::FullPath(path) + "\". ";
    EXPECT_EQ(ErrorOf([&] { WriteCatalog(path, {"a"}); }).substr(0, expected.size()), expected);
}

TEST(RewriteFile, AFailureMidwayLeavesTheOriginalAndNoTemporaryFile) {
    TestFolder folder;
    const std::string path = folder.WriteFile("CD02.txt", kCatalog);
    std::string text(200000, '\0');
    std::mt19937 random(3);
    for (char& c : text) {
        c = static_cast<char>(random());
    }
    for (const std::size_t accepted :
         {std::size_t{0}, std::size_t{20}, std::size_t{40}, std::size_t{150000}}) {
        TMemoryStream source(text);
        const std::string error = ErrorOf([&] {
            RewriteFile(path, [&](TStream& out) {
                TFailingStream failing(out, accepted);
                PackStream(source, failing, kPackKey);
            });
        });
        EXPECT_EQ(error, "Stream write error") << accepted;
        EXPECT_EQ(TestFolder::ReadFile(path), kCatalog) << accepted;
        EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"CD02.txt"}) << accepted;
    }
    const std::string thrown = ErrorOf([&] {
        RewriteFile(path, [](TStream& out) {
            out.WriteExact("partial", 7);
            throw EStreamError("Stream read error");
        });
    });
    EXPECT_EQ(thrown, "Stream read error");
    EXPECT_EQ(TestFolder::ReadFile(path), kCatalog);
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"CD02.txt"});
}

#ifndef _WIN32
// A 64 KiB file system that fills up, mounted for the test and gone after it.
class TSmallDisk {
public:
    explicit TSmallDisk(std::string path) : folder(std::move(path)) {
        std::replace(folder.begin(), folder.end(), '\\', '/'); // the test folder's paths use backslashes
        mounted = getuid() == 0 && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TSmallDisk() {
        if (mounted) {
            umount2(folder.c_str(), MNT_DETACH);
        }
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    bool mounted = false;

private:
    std::string folder;
};

TEST(RewriteFile, AFullDiskLeavesEveryCatalogAsItWas) {
    TestFolder root;
    const std::string disk = root.MakeFolder("disk");
    TSmallDisk small(disk);
    if (!small.mounted) {
        GTEST_SKIP() << "needs root and tmpfs mounts to fill a real disk";
    }
    std::string noise(40000, '\0');
    std::mt19937 random(11);
    for (char& c : noise) {
        c = static_cast<char>('A' + random() % 26); // compresses to well over half: no room for both
    }
    const std::string plain = JoinPath(disk, "plain");
    WriteCatalog(plain, {noise});
    const std::string plainBytes = TestFolder::ReadFile(plain);
    EXPECT_EQ(ErrorOf([&] { PackCatalogFile(plain); }), "Stream write error");
    EXPECT_EQ(TestFolder::ReadFile(plain), plainBytes);

    const std::string packed = JoinPath(disk, "packed");
    {
        TMemoryStream text(std::string(1 << 20, 'x'));
        PackToFile(packed, text, kPackKey);
    }
    const std::string packedBytes = TestFolder::ReadFile(packed);
    EXPECT_EQ(ErrorOf([&] { UnpackCatalogFile(packed); }), "Stream write error");
    EXPECT_EQ(TestFolder::ReadFile(packed), packedBytes);

    EXPECT_EQ(ErrorOf([&] { WriteCatalog(plain, std::vector<std::string>(5000, "C:\\full\\disk")); }),
              "Stream write error");
    EXPECT_EQ(TestFolder::ReadFile(plain), plainBytes);
    EXPECT_EQ(Names(disk).size(), 2u);
}
#endif

} // namespace
