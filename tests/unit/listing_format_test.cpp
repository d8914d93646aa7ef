#include "catalogs/listing_format.h"

#include <gtest/gtest.h>

#include "platform/code_pages.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

// The same listing as other tools write it. The source is UTF-8, so plain literals are UTF-8 bytes.
const char16_t kListing[] = u"C:\\Документы\\Отчёт 2020.doc\r\nD:\\Müller\\café.txt\r\n";
const std::string kAs1251 = "C:\\\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB\\\xCE\xF2\xF7\xB8\xF2 2020.doc\r\n"
                            "D:\\M?ller\\caf?.txt\r\n";
const std::string kAs1252 = "C:\\?????????\\????? 2020.doc\r\nD:\\M\xFCller\\caf\xE9.txt\r\n";
const std::string kAs866 = "C:\\\x84\xAE\xAA\xE3\xAC\xA5\xAD\xE2\xEB\\\x8E\xE2\xE7\xF1\xE2 2020.doc\r\n"
                           "D:\\M?ller\\caf?.txt\r\n";
const std::string kAsUtf8 = "C:\\Документы\\Отчёт 2020.doc\r\nD:\\Müller\\café.txt\r\n";

std::string Utf16(std::u16string_view text, bool littleEndian, bool mark) {
    std::string bytes;
    if (mark) {
        bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    }
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

struct DetectionCase {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
    bool fileList;
};

TEST(DetectListingFormat, TellsEachEncodingAndLeavesAnsiAlone) {
    const std::string fileList = "\xEF\xBB\xBF"
                                 "Filename,Size,Date Modified,Date Created,Attributes\r\n"
                                 "\"C:\\Отчёт, 2020.doc\",100,133000000000000000,133000000000000000,32\r\n";
    const DetectionCase cases[] = {
        {"ASCII only", "C:\\Windows\r\nC:\\Windows\\win.ini\r\n", TextEncoding::Ansi, false},
        {"code page 1251", kAs1251, TextEncoding::Ansi, false},
        {"1251 in small letters only", "E:\\\xEF\xF0\xE8\xEC\xE5\xF0\r\n", TextEncoding::Ansi, false},
        {"1251 dashes between spaces",
         "D:\\Artist \x96 Title.mp3\r\nD:\\A \x97 \xAB"
         "B\xBB.mp3\r\n",
         TextEncoding::Ansi, false},
        {"code page 866", kAs866, TextEncoding::Oem866, false},
        {"UTF-8", kAsUtf8, TextEncoding::Utf8, false},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + kAsUtf8, TextEncoding::Utf8Bom, false},
        {"UTF-8 broken at the end", kAsUtf8 + "\xD0", TextEncoding::Ansi, false},
        {"UTF-16LE with a mark", Utf16(kListing, true, true), TextEncoding::Utf16Le, false},
        {"UTF-16BE with a mark", Utf16(kListing, false, true), TextEncoding::Utf16Be, false},
        {"UTF-16LE without one", Utf16(kListing, true, false), TextEncoding::Utf16Le, false},
        {"Everything file list", fileList, TextEncoding::Utf8Bom, true},
        {"a path is no header row", "C:\\Filename,Size\r\n", TextEncoding::Ansi, false},
        {"empty", "", TextEncoding::Ansi, false},
    };
    for (const DetectionCase& c : cases) {
        const TListingFormat format = DetectListingFormat(c.bytes, 1251);
        EXPECT_EQ(format.encoding, c.encoding) << c.what;
        EXPECT_EQ(format.fileList, c.fileList) << c.what;
    }
    // A code page without a table reads everything as it is, as before listings were converted.
    EXPECT_EQ(DetectListingFormat(Utf16(kListing, true, true), 932).encoding, TextEncoding::Ansi);
}

TEST(ConvertListing, GivesTheAnsiTextOfEveryEncoding) {
    const std::string sources[] = {kAs1251,
                                   kAs866,
                                   kAsUtf8,
                                   "\xEF\xBB\xBF" + kAsUtf8,
                                   Utf16(kListing, true, true),
                                   Utf16(kListing, false, true),
                                   Utf16(kListing, true, false)};
    for (const std::string& source : sources) {
        std::string text = source;
        ConvertListing(text, DetectListingFormat(source, 1251), 1251);
        EXPECT_EQ(text, kAs1251) << DescribeListingFormat(DetectListingFormat(source, 1251), 1251);
    }
    for (const std::string& source : {kAsUtf8, Utf16(kListing, false, true)}) {
        std::string text = source;
        ConvertListing(text, DetectListingFormat(source, 1252), 1252);
        EXPECT_EQ(text, kAs1252);
    }
    // Outside the BMP a character is one "?", and so is a lone surrogate or a broken sequence.
    std::string wide = Utf16(u"a\U0001F600b\xD800", true, true);
    ConvertListing(wide, {TextEncoding::Utf16Le, false}, 1251);
    EXPECT_EQ(wide, "a?b?");
    std::string narrow = "\xEF\xBB\xBF"
                         "a\xF0\x9F\x98\x80"
                         "b\xC0";
    ConvertListing(narrow, {TextEncoding::Utf8Bom, false}, 1251);
    EXPECT_EQ(narrow, "a?b?");
}

TEST(ConvertListing, KeepsOnlyTheFilenameColumnOfAFileList) {
    std::string text = "Size,Filename,Attributes\r\n"
                       "1,\"C:\\a \"\"b\"\", c\",32\r\n"
                       "2,\"C:\\two\r\nlines\",32\n"
                       "3,,32\r\n"
                       "4,C:\\last,16";
    const TListingFormat format = DetectListingFormat(text, 1251);
    ASSERT_TRUE(format.fileList);
    ConvertListing(text, format, 1251);
    EXPECT_EQ(text, "C:\\a \"b\", c\r\nC:\\two\r\nlines\r\nC:\\last\r\n");
    EXPECT_EQ(DescribeListingFormat(format, 1251), "ANSI (code page 1251), Everything file list");
}

#ifndef _WIN32
TEST(CodePageChars, AgreeWithTheSystemsConverter) {
    for (const auto& [codePage, name] : {std::pair{866u, "CP866"}, {1251u, "CP1251"}, {1252u, "CP1252"}}) {
        const platform::TCodePageChars& chars = *platform::CodePageChars(codePage);
        const iconv_t convert = iconv_open("UTF-16LE", name);
        ASSERT_NE(convert, reinterpret_cast<iconv_t>(-1)) << name;
        for (unsigned b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            unsigned char out[4] = {};
            char* inPointer = &in;
            char* outPointer = reinterpret_cast<char*>(out);
            std::size_t inLeft = 1;
            std::size_t outLeft = sizeof out;
            const bool defined =
                iconv(convert, &inPointer, &inLeft, &outPointer, &outLeft) != std::size_t(-1);
            const char16_t expected = defined ? static_cast<char16_t>(out[0] | (out[1] << 8)) : 0xFFFD;
            EXPECT_EQ(chars[b], expected) << name << " byte " << b;
            EXPECT_EQ((*platform::CodePageBytes(codePage))[expected], defined ? b : '?') << name << " " << b;
        }
        iconv_close(convert);
    }
}
#endif

} // namespace
