#include "catalogs/streams.h"

#include <gtest/gtest.h>

#include "test_folder.h"
#include "test_streams.h"

namespace {

template <typename Action> std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const EStreamError& e) {
        return e.what();
    }
    return "";
}

TEST(TMemoryStream, ReadsWritesAndSeeksLikeAFile) {
    TMemoryStream stream("abcdef");
    EXPECT_EQ(stream.Size(), 6);
    EXPECT_EQ(stream.Position(), 0);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(stream.Read(buffer, 8), 2u); // short at the end
    EXPECT_EQ(stream.Read(buffer, 8), 0u);
    EXPECT_EQ(stream.Seek(4), 4);
    EXPECT_EQ(stream.Write("XYZ", 3), 3u); // overwrites and grows
    EXPECT_EQ(stream.Bytes(), "abcdXYZ");
    EXPECT_EQ(stream.Seek(9), 9);
    stream.Write("!", 1); // past the end: the gap is zero bytes
    EXPECT_EQ(stream.Bytes(), std::string("abcdXYZ\0\0!", 10));
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(stream.TakeBytes().size(), 10u);
    EXPECT_EQ(stream.Size(), 0);
}

TEST(TStream, ExactCountsOrTheStreamErrors) {
    TMemoryStream stream("abc");
    char buffer[4];
    EXPECT_EQ(ErrorOf([&] { stream.ReadExact(buffer, 3); }), "");
    stream.Seek(1);
    EXPECT_EQ(ErrorOf([&] { stream.ReadExact(buffer, 3); }), "Stream read error");
    TMemoryStream sink;
    TFailingStream failing(sink, 5);
    EXPECT_EQ(ErrorOf([&] { failing.WriteExact("1234", 4); }), "");
    EXPECT_EQ(ErrorOf([&] { failing.WriteExact("5678", 4); }), "Stream write error");
    EXPECT_EQ(sink.Bytes(), "12345");
}

TEST(TFileStream, MovesBytesThroughAFile) {
    TestFolder folder;
    const std::string path = JoinPath(folder.Path(), "data.bin");
    {
        TFileStream out(path, platform::TFile::Mode::Create);
        out.WriteExact("hello, world", 12);
        EXPECT_EQ(out.Size(), 12);
        EXPECT_EQ(out.Position(), 12);
    }
    TFileStream in(path, platform::TFile::Mode::Read);
    EXPECT_EQ(in.Seek(7), 7);
    char buffer[5];
    in.ReadExact(buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_EQ(ErrorOf([&] { in.ReadExact(buffer, 1); }), "Stream read error");
    EXPECT_EQ(ReadAll(in), "hello, world");
}

TEST(TFileStream, BorrowsAnOpenFile) {
    TestFolder folder;
    const std::string path = folder.WriteFile("f", "0123");
    platform::TFile file(path, platform::TFile::Mode::Read);
    TFileStream stream(file);
    EXPECT_EQ(stream.Size(), 4);
    EXPECT_EQ(ReadAll(stream), "0123");
}

} // namespace
