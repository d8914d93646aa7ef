#include "catalogs/listing_format.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/code_pages.h"

namespace {

using TBytes = std::array<unsigned char, 65536>;

constexpr std::size_t kUtf16BomSize = 2;
constexpr std::size_t kUtf8BomSize = 3;
// Once the text is known not to be UTF-8, this many high bytes settle between ANSI and 866.
constexpr int kEnoughHighBytes = 4096;

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// How much a character tells that the text is in a code page where it reads so: the letters names
// are written in count for it, other letters count nothing, and box drawing, punctuation and the
// like count against it.
int LetterWeight(char16_t c) {
    const bool russian = (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451;
    const bool latin = (c >= 0x00C0 && c <= 0x017F && c != 0x00D7 && c != 0x00F7);
    if (russian || latin) {
        return 1;
    }
    return c >= 0x0400 && c <= 0x04FF ? 0 : -1;
}

// A well-formed UTF-8 sequence that tells the text is UTF-8, or 0. The C1 controls never stand in a
// name: their sequences tell a code page text that happens to be well formed.
std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const std::size_t length = platform::Utf8SequenceLength(p, end);
    return length != 0 && p[0] == 0xC2 && p[1] < 0xA0 ? 0 : length;
}

std::size_t FirstHighByte(std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if (word & 0x8080808080808080u) {
            break;
        }
    }
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) {
        ++i;
    }
    return i;
}

TextEncoding DetectEncoding(std::string_view bytes, const platform::TCodePageChars& ansi) {
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        return TextEncoding::Utf8Bom;
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        return TextEncoding::Utf16Le;
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        return TextEncoding::Utf16Be;
    }
    // A listing starts with a path of characters below U+0100, so without a mark UTF-16 shows as
    // every other byte zero; an 8-bit listing holds no zero bytes at all.
    if (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[2] != 0 && bytes[3] == 0) {
        return TextEncoding::Utf16Le;
    }
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] != 0 && bytes[2] == 0 && bytes[3] != 0) {
        return TextEncoding::Utf16Be;
    }
    const std::size_t first = FirstHighByte(bytes);
    if (first == bytes.size()) {
        return TextEncoding::Ansi;
    }
    const platform::TCodePageChars& oem = *platform::CodePageChars(866);
    std::array<int, 256> oemWeight{};
    std::array<int, 256> ansiWeight{};
    for (unsigned b = 0x80; b < 0x100; ++b) {
        oemWeight[b] = LetterWeight(oem[b]);
        ansiWeight[b] = LetterWeight(ansi[b]);
    }
    // Two high bytes side by side weigh for a code page where both are letters and against one where
    // either is not. Pairs, not single bytes: a dash or a quote alone between spaces is a letter in
    // one code page and punctuation in the other, and tells nothing; the words of a name do.
    const auto pairWeight = [](int a, int b) { return a < 0 || b < 0 ? -1 : a > 0 && b > 0 ? 1 : 0; };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + first;
    const auto* end = reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size();
    bool utf8 = true;
    int highBytes = 0;
    int oemScore = 0;
    int ansiScore = 0;
    unsigned char previous = 0;
    while (p < end) {
        if (*p < 0x80) {
            previous = *p++;
            continue;
        }
        std::size_t length = 1;
        if (utf8) {
            length = Utf8SequenceLength(p, end);
            utf8 = length != 0;
            length = utf8 ? length : 1;
        }
        for (const unsigned char* q = p; q < p + length; ++q) {
            if (previous >= 0x80) {
                oemScore += pairWeight(oemWeight[previous], oemWeight[*q]);
                ansiScore += pairWeight(ansiWeight[previous], ansiWeight[*q]);
            }
            previous = *q;
        }
        highBytes += static_cast<int>(length);
        p += length;
        if (!utf8 && highBytes >= kEnoughHighBytes) {
            break;
        }
    }
    if (utf8) {
        return TextEncoding::Utf8;
    }
    return oemScore > ansiScore ? TextEncoding::Oem866 : TextEncoding::Ansi;
}

// The first line of the text, as far as it is ASCII: enough to read a header row.
std::string FirstAsciiLine(std::string_view bytes, TextEncoding encoding) {
    constexpr std::size_t kLongestHeader = 1024;
    std::string line;
    const bool wide = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
    std::size_t i = wide ? kUtf16BomSize * (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF"))
                         : kUtf8BomSize * (encoding == TextEncoding::Utf8Bom);
    const std::size_t step = wide ? 2 : 1;
    for (; i + step <= bytes.size() && line.size() < kLongestHeader; i += step) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (wide) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            const unsigned unit = encoding == TextEncoding::Utf16Le ? a | (b << 8) : (a << 8) | b;
            c = unit < 0x80 ? static_cast<unsigned char>(unit) : 0x80;
        }
        if (c == '\r' || c == '\n' || c >= 0x80) {
            break;
        }
        line += static_cast<char>(c);
    }
    return line;
}

// Splits one CSV record starting at `pos`; `pos` moves past its line end. Quoted fields may hold
// commas, doubled quotes and line ends.
std::vector<std::string> ReadCsvRecord(std::string_view text, std::size_t& pos) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (pos < text.size() && text[pos] == '"') {
                fields.back() += '"';
                ++pos;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && pos < text.size() && text[pos] == '\n') {
                ++pos;
            }
            break;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] | 0x20) != (b[i] | 0x20)) {
            return false;
        }
    }
    return true;
}

// The column of "Filename" in a header row of column names, or -1 when the row is no such header.
int FileNameColumn(const std::vector<std::string>& names) {
    constexpr std::size_t kLongestColumnName = 64;
    int column = -1;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty() || name.size() > kLongestColumnName) {
            return -1;
        }
        for (const char c : name) {
            const bool word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              c == ' ' || c == '_';
            if (!word) {
                return -1;
            }
        }
        if (column < 0 && SameLetters(name, "Filename")) {
            column = static_cast<int>(i);
        }
    }
    return column;
}

// The file list's Filename column, one path a line, each ended by CR LF.
std::string FileListPaths(std::string_view text) {
    std::size_t pos = 0;
    const int column = FileNameColumn(ReadCsvRecord(text, pos));
    std::string paths;
    while (column >= 0 && pos < text.size()) {
        const std::vector<std::string> fields = ReadCsvRecord(text, pos);
        if (static_cast<std::size_t>(column) < fields.size() && !fields[column].empty()) {
            paths += fields[column];
            paths += "\r\n";
        }
    }
    return paths;
}

void ConvertOem(std::string& text, const TBytes& ansi) {
    const platform::TCodePageChars& oem = *platform::CodePageChars(866);
    std::array<char, 256> map;
    for (unsigned b = 0; b < 256; ++b) {
        map[b] = static_cast<char>(ansi[oem[b]]);
    }
    for (char& c : text) {
        c = map[static_cast<unsigned char>(c)];
    }
}

// In place: an ANSI byte never takes more room than the sequence it comes from.
void ConvertUtf8(std::string& text, std::size_t start, const TBytes& ansi) {
    auto* p = reinterpret_cast<const unsigned char*>(text.data()) + start;
    const auto* end = reinterpret_cast<const unsigned char*>(text.data()) + text.size();
    char* out = text.data();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = static_cast<char>(*p++);
            continue;
        }
        const std::size_t length = Utf8SequenceLength(p, end);
        if (length == 0) {
            *out++ = '?';
            ++p;
            continue;
        }
        const char32_t c = platform::Utf8Decode(p, length);
        *out++ = c < 0x10000 ? static_cast<char>(ansi[c]) : '?';
        p += length;
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

void ConvertUtf16(std::string& text, bool littleEndian, const TBytes& ansi) {
    const std::size_t start = StartsWith(text, littleEndian ? "\xFF\xFE" : "\xFE\xFF") ? kUtf16BomSize : 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    char* out = text.data();
    for (std::size_t i = start; i + 1 < text.size(); i += 2) {
        const unsigned unit = littleEndian ? p[i] | (p[i + 1] << 8) : (p[i] << 8) | p[i + 1];
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            continue; // the second half of a pair, whose first half gave the "?"
        }
        *out++ = unit >= 0xD800 && unit <= 0xDBFF ? '?' : static_cast<char>(ansi[unit]);
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

} // namespace

TListingFormat DetectListingFormat(std::string_view bytes, unsigned ansiCodePage) {
    const platform::TCodePageChars* ansi = platform::CodePageChars(ansiCodePage);
    if (ansi == nullptr) {
        return {};
    }
    TListingFormat format;
    format.encoding = DetectEncoding(bytes, *ansi);
    std::size_t pos = 0;
    format.fileList = FileNameColumn(ReadCsvRecord(FirstAsciiLine(bytes, format.encoding), pos)) >= 0;
    return format;
}

void ConvertListing(std::string& text, TListingFormat format, unsigned ansiCodePage) {
    const TBytes* ansi = platform::CodePageBytes(ansiCodePage);
    if (ansi == nullptr) {
        return;
    }
    switch (format.encoding) {
    case TextEncoding::Ansi:
        break;
    case TextEncoding::Oem866:
        ConvertOem(text, *ansi);
        break;
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        ConvertUtf8(text, format.encoding == TextEncoding::Utf8Bom ? kUtf8BomSize : 0, *ansi);
        break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
        ConvertUtf16(text, format.encoding == TextEncoding::Utf16Le, *ansi);
        break;
    }
    if (format.fileList) {
        text = FileListPaths(text);
    }
}

std::string DescribeListingFormat(TListingFormat format, unsigned ansiCodePage) {
    std::string name;
    switch (format.encoding) {
    case TextEncoding::Ansi:
        name = "ANSI (code page " + std::to_string(ansiCodePage) + ")";
        break;
    case TextEncoding::Oem866:
        name = "OEM (code page 866)";
        break;
    case TextEncoding::Utf8:
        name = "UTF-8";
        break;
    case TextEncoding::Utf8Bom:
        name = "UTF-8 with byte-order mark";
        break;
    case TextEncoding::Utf16Le:
        name = "UTF-16LE";
        break;
    case TextEncoding::Utf16Be:
        name = "UTF-16BE";
        break;
    }
    return format.fileList ? name + ", Everything file list" : name;
}
