#include "catalogs/container.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "catalogs/scrambler.h"
#include "container_bytes.h"

namespace {

using namespace testbytes;

std::string Pack(const std::string& text, std::uint32_t key = kPackKey) {
    TMemoryStream source(text);
    TMemoryStream packed;
    PackStream(source, packed, key);
    return packed.Bytes();
}

std::string Unpack(const std::string& container, std::uint32_t key = 0) {
    TMemoryStream source(container);
    return UnpackStream(source, key)->Bytes();
}

// Catalog-like text: Windows paths, CR LF, some cp1251 letters, of about `size` bytes.
std::string CatalogText(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    const char* words[] = {"Program Files", "Windows",          "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB",
                           "Music",         "\xD4\xEE\xF2\xEE", "system32",
                           "readme.txt",    "setup.exe"};
    std::string text;
    while (text.size() < size) {
        text += "C:";
        const int depth = 1 + static_cast<int>(random() % 5);
        for (int i = 0; i < depth; ++i) {
            text += "\\";
            text += words[random() % 8];
            text += std::to_string(random() % 100);
        }
        text += "\r\n";
    }
    return text;
}

// Runs `read` and gives back the text of what it threw, or "" when it threw nothing.
template <typename Read> std::string ErrorOf(Read read) {
    try {
        read();
    } catch (const EStreamError& e) {
        return std::string("EStreamError: ") + e.what();
    } catch (const EInflateError& e) {
        return std::string("EInflateError: ") + e.what();
    }
    return "";
}

TEST(PackStream, EmptyTextMakesTheKnown45ByteContainer) {
    const std::string packed = Pack("");
    ASSERT_EQ(packed.size(), 45u);
    const std::string head("Uni_Data\x03\0\0\0\x11\0\0\0\x08\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x91", 33);
    EXPECT_EQ(packed.substr(0, 33), head);
    // The empty zlib stream at level 9, scrambled, then the key 58213 = 0xE365.
    EXPECT_EQ(Xor(packed.substr(33, 8), kPackKey), std::string("\x78\xDA\x03\x00\x00\x00\x00\x01", 8));
    EXPECT_EQ(packed.substr(41), std::string("\x65\xE3\x00\x00", 4));
    EXPECT_EQ(Unpack(packed), "");
}

TEST(PackStream, LaysOutHeaderPayloadAndTrailer) {
    const std::string text = CatalogText(300000, 1);
    const std::uint32_t key = 0xA1B2C3D4;
    const std::string packed = Pack(text, key);
    const std::size_t payloadSize = packed.size() - 37;
    EXPECT_EQ(packed.substr(0, 16), "Uni_Data" + U32(3) + U32(17));
    EXPECT_EQ(packed.substr(16, 8), I64(static_cast<std::int64_t>(payloadSize)));
    EXPECT_EQ(packed.substr(24, 8), I64(static_cast<std::int64_t>(text.size())));
    EXPECT_EQ(static_cast<unsigned char>(packed[32]), 0x91);
    EXPECT_EQ(packed.substr(packed.size() - 4), U32(key));
    const std::string payload = Xor(packed.substr(33, payloadSize), key);
    EXPECT_EQ(payload.substr(0, 2), "\x78\xDA");
    EXPECT_EQ(Inflate(payload, text.size()), text);
    // Deflate without flushes does not depend on how its input was cut into 64 KiB blocks.
    EXPECT_EQ(payload, Compress(text));
}

TEST(PackStream, PacksFromTheSourcePositionOn) {
    TMemoryStream source("skipped|kept");
    source.Seek(8);
    TMemoryStream packed;
    PackStream(source, packed, kPackKey);
    EXPECT_EQ(Unpack(packed.Bytes()), "kept");
}

TEST(PackStream, RoundTripsAnyTextWithAnyKey) {
    std::mt19937 random(7);
    std::vector<std::string> texts = {
        "", "a", "abc", "abcd", "abcde", CatalogText(65536, 2), CatalogText(200001, 3)};
    std::string noise(70001, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    texts.push_back(noise);
    for (const std::uint32_t key : {kPackKey, 1u, 0xFFFFFFFFu, 0x80000001u}) {
        for (const std::string& text : texts) {
            EXPECT_EQ(Unpack(Pack(text, key)), text) << "size " << text.size() << " key " << key;
        }
    }
}

TEST(XorScramble, MatchesByteByByteXorAcrossChunksAndPartWords) {
    std::string data(65536 * 2 + 7, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 31 + 5);
    }
    const std::uint32_t key = 0x11223344;
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{9}, data.size()}) {
        TMemoryStream source(data.substr(0, size));
        TMemoryStream destination;
        XorScramble(source, destination, key, true);
        EXPECT_EQ(destination.Position(), 0);
        EXPECT_EQ(destination.Bytes(), Xor(data.substr(0, size), key)) << size;
    }
    // A region done in two parts, split off a word boundary, is the same as done at once.
    std::string parts = data;
    XorScrambleBytes(parts.data(), 5, key, 0);
    XorScrambleBytes(parts.data() + 5, parts.size() - 5, key, 5);
    EXPECT_EQ(parts, Xor(data, key));
}

TEST(XorScramble, StartsFromTheSourcePositionWithoutRewind) {
    TMemoryStream source("....abcd");
    source.Seek(4);
    TMemoryStream destination("xy");
    destination.Seek(2);
    XorScramble(source, destination, 0x01010101, false);
    EXPECT_EQ(destination.Bytes(), "xy`cbe");
    EXPECT_EQ(destination.Position(), 6);
}

TEST(IsPackedStream, TellsByTheFirstEightBytesAndKeepsThePosition) {
    struct Case {
        std::string bytes;
        bool packed;
    };
    const Case cases[] = {
        {"Uni_Data", true},         {"Uni-Data rest", true}, {"ZLIB-GUL", true},      {"Rbac-Uni", true},
        {"Uni_Dat", false},         {"uni_data", false},     {"ZLIB-GUM....", false}, {"", false},
        {"C:\\Windows\r\n", false},
    };
    for (const Case& c : cases) {
        TMemoryStream stream("ab" + c.bytes);
        stream.Seek(2);
        EXPECT_EQ(IsPackedStream(stream), c.packed) << c.bytes;
        EXPECT_EQ(stream.Position(), 2);
    }
}

struct KindCase {
    const char* name;
    std::string container;
    std::uint32_t key; // passed to UnpackStream
};

TEST(UnpackStream, ReadsEveryKindAndVariant) {
    const std::string text = CatalogText(100000, 4) + "tail";
    const std::int64_t size = static_cast<std::int64_t>(text.size());
    const std::string zipped = Compress(text);
    const std::uint32_t key = 0x5EED1234;
    const std::vector<KindCase> cases = {
        {"Uni_Data as written", HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, kPackKey), U32(kPackKey)),
         0},
        {"Uni_Data, another key", HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, key), U32(key)), 0},
        {"Uni_Data, zlib level 1",
         HeaderRecord("Uni_Data", size, 0x91, Xor(Compress(text, 1), key), U32(key)), 0},
        // Two trailer words: the key is the first, unscrambled with the payload and then ignored.
        {"Uni_Data, flags A1", HeaderRecord("Uni_Data", size, 0xA1, Xor(zipped, key), U32(key) + U32(0xDEAD)),
         0},
        {"Uni_Data, header length 20", HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, key), U32(key), 20),
         0},
        {"Uni_Data, not scrambled", HeaderRecord("Uni_Data", size, 0x80, zipped, ""), 0},
        {"Uni_Data, not scrambled with trailer", HeaderRecord("Uni_Data", size, 0x90, zipped, U32(9)), 0},
        {"Uni_Data, version 1 without trailer is key 0", HeaderRecord("Uni_Data", size, 0x81, zipped, ""), 0},
        {"Uni_Data, key passed in wins", HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, key), U32(1)), key},
        {"Uni_Data, not compressed", HeaderRecord("Uni_Data", size, 0x00, text, ""), 0},
        {"Uni_Data, not compressed, scrambled",
         HeaderRecord("Uni_Data", size, 0x11, Xor(text, key), U32(key)), 0},
        {"Uni_Data, bytes after the zlib stream",
         HeaderRecord("Uni_Data", size, 0x91, Xor(zipped + "junk", key), U32(key)), 0},
        {"Uni-Data, scrambled then compressed",
         HeaderRecord("Uni-Data", size, 0x91, Compress(Xor(text, key)), U32(key)), 0},
        {"Uni-Data, not scrambled", HeaderRecord("Uni-Data", size, 0x80, zipped, ""), 0},
        {"Uni-Data, not compressed, scrambled",
         HeaderRecord("Uni-Data", size, 0x11, Xor(text, key), U32(key)), 0},
        {"ZLIB-GUL", FixedSizes("ZLIB-GUL", size, zipped), 0},
        {"Rbac-Uni", FixedSizes("Rbac-Uni", size, Compress(Xor(text, key)), U32(key) + U32(77)), 0},
        {"Rbac-Uni, its key wins", FixedSizes("Rbac-Uni", size, Compress(Xor(text, key)), U32(key) + U32(0)),
         3},
    };
    for (const KindCase& c : cases) {
        std::string result;
        EXPECT_NO_THROW(result = Unpack(c.container, c.key)) << c.name;
        EXPECT_TRUE(result == text) << c.name << ": " << result.size() << " bytes";
    }
}

TEST(UnpackStream, TakesExactlyTheTextSizeOfAStoredPayload) {
    EXPECT_EQ(Unpack(HeaderRecord("Uni_Data", 3, 0x00, "abcdef", "")), "abc");
}

// A damaged payload that still inflates is caught by the stream's checksum: no flip reads as another text.
TEST(UnpackStream, NoSingleBitFlipOfAPackedCatalogReadsAsAnotherText) {
    const std::string text = CatalogText(3000, 9);
    const std::string good = Pack(text);
    ASSERT_EQ(Unpack(good), text);
    const std::size_t textSizeField = 8 + 4 + 4 + 8; // the record's packed size before it is not read
    const std::size_t trailerStart = good.size() - 4;
    for (std::size_t at = textSizeField; at < trailerStart; ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = good;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            std::string result;
            if (ErrorOf([&] { result = Unpack(flipped); }).empty() && result != text) {
                ADD_FAILURE() << "a flip of byte " << at << " bit " << bit << " reads as another text";
            }
        }
    }
}

TEST(UnpackStream, ReturnsANonContainerWhole) {
    const std::string plain("C:\\a\r\nC:\\b\r\n\0\xFF", 14);
    EXPECT_EQ(Unpack(plain), plain);
    EXPECT_EQ(Unpack(""), "");
}

TEST(UnpackStream, TellsOfScramblerVersionsItCannotUndo) {
    std::vector<std::pair<std::string, std::string>> told;
    SetContainerMessageCallback(
        [&](const std::string& caption, const std::string& text) { told.emplace_back(caption, text); });
    for (unsigned version = 2; version <= 7; ++version) {
        const auto flags = static_cast<unsigned char>(0x90 | version);
        const std::string zipped = Compress("text");
        for (const char* magic : {"Uni_Data", "Uni-Data"}) {
            told.clear();
            EXPECT_EQ(ErrorOf([&] { Unpack(HeaderRecord(magic, 4, flags, zipped, U32(1))); }),
                      "EStreamError: Stream read error");
            ASSERT_EQ(told.size(), 1u);
            EXPECT_EQ(told[0].first, "Error");
            EXPECT_EQ(told[0].second,
                      "Need version " + std::to_string(version) + " of decryptor to work with this file!");
            told.clear();
            EXPECT_EQ(Unpack(HeaderRecord(magic, 0, flags, zipped, U32(1))), "");
            EXPECT_EQ(told.size(), 1u);
        }
    }
    SetContainerMessageCallback(nullptr);
}

struct BadCase {
    const char* name;
    std::string container;
    const char* error;
};

TEST(UnpackStream, BadInputGetsTheNamedError) {
    const char* readError = "EStreamError: Stream read error";
    const char* inflateError = "EInflateError: Error";
    const std::string text = CatalogText(5000, 5);
    const auto size = static_cast<std::int64_t>(text.size());
    const std::string zipped = Compress(text);
    const std::string good = HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, kPackKey), U32(kPackKey));
    std::string damaged = zipped;
    damaged[0] = 0x79; // header check fails
    std::string garbled = zipped;
    for (std::size_t i = 2; i < 40; ++i) {
        garbled[i] = static_cast<char>(0xFF);
    }
    std::string withDictionary = Compress("");
    withDictionary[0] = 0x78;
    withDictionary[1] = static_cast<char>(0xBB); // FDICT set, check bits valid
    const std::vector<BadCase> cases = {
        {"magic only", "Uni_Data", readError},
        {"cut in the fixed fields", "Uni_Data\x03\0\0\0\x11\0", readError},
        {"cut in the record", good.substr(0, 30), readError},
        {"header length 0", HeaderRecord("Uni_Data", size, 0x91, zipped, U32(1), 0), readError},
        {"header length 16", HeaderRecord("Uni_Data", size, 0x91, zipped, U32(1), 16), readError},
        {"header length past the end", "Uni_Data" + U32(3) + U32(0xFFFFFFF0) + std::string(40, 'x'),
         readError},
        {"negative text size", HeaderRecord("Uni_Data", -5, 0x80, zipped, ""), readError},
        {"text size far past what the data inflates to",
         HeaderRecord("Uni_Data", 1LL << 50, 0x80, zipped, ""), readError},
        {"text size above what is there, not compressed", HeaderRecord("Uni_Data", 100, 0x00, "short", ""),
         readError},
        {"text size at the limit", HeaderRecord("Uni_Data", INT64_MAX, 0x00, "short", ""), readError},
        {"text size below what the stream holds", HeaderRecord("Uni_Data", size - 1, 0x80, zipped, ""),
         readError},
        {"text size 0 for a stream that holds text", FixedSizes("ZLIB-GUL", 0, zipped), readError},
        {"a stream whose checksum is wrong",
         FixedSizes("ZLIB-GUL", size,
                    zipped.substr(0, zipped.size() - 1) + static_cast<char>(zipped.back() ^ 1)),
         inflateError},
        {"truncated zlib stream",
         HeaderRecord("Uni_Data", size, 0x80, zipped.substr(0, zipped.size() / 2), ""), readError},
        {"damaged zlib header", HeaderRecord("Uni_Data", size, 0x80, damaged, ""), inflateError},
        {"damaged zlib data", FixedSizes("ZLIB-GUL", size, garbled), inflateError},
        {"zlib stream wanting a dictionary", HeaderRecord("Uni_Data", 10, 0x80, withDictionary, ""),
         inflateError},
        {"scrambled with a wrong key", HeaderRecord("Uni_Data", size, 0x91, Xor(zipped, 1), U32(2)),
         inflateError},
        {"ZLIB-GUL without sizes", "ZLIB-GUL" + I64(3), readError},
        {"ZLIB-GUL size past the end", "ZLIB-GUL" + I64(size) + I64(1LL << 40) + zipped, readError},
        {"ZLIB-GUL negative compressed size", "ZLIB-GUL" + I64(size) + I64(-1) + zipped, readError},
        {"Rbac-Uni without its key field", FixedSizes("Rbac-Uni", size, zipped, U32(1)), readError},
        {"a text that begins like a container", "ZLIB-GUL is a fine name\r\nC:\\x\r\n", readError},
    };
    for (const BadCase& c : cases) {
        EXPECT_EQ(ErrorOf([&] { Unpack(c.container); }), c.error) << c.name;
    }
    for (std::size_t cut = 8; cut < good.size(); cut += 97) {
        EXPECT_NE(ErrorOf([&] { Unpack(good.substr(0, cut)); }), "") << "cut at " << cut;
    }
}

// Replays the fuzzer's seeds: every one gives a text or one of the reader's named errors.
TEST(UnpackStream, FuzzCorpusReadsSafely) {
    // tests/data and fuzz/ lie side by side in the source tree.
    const std::filesystem::path folder =
        std::filesystem::path(MIROLAN_TEST_DATA).parent_path().parent_path() / "fuzz" / "corpus" /
        "fuzz_unpack";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string error = ErrorOf([&] { Unpack(bytes); });
        EXPECT_TRUE(error == "" || error == "EStreamError: Stream read error" ||
                    error == "EInflateError: Error")
            << entry.path() << ": " << error;
        ++files;
    }
    EXPECT_GE(files, 5);
}

} // namespace
