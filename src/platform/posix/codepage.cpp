// Case tables of the active code page, 1251 unless the program sets another: for 1251 the same
// mapping that CharUpperA and CharLowerA give under a Russian Windows, so that catalogs made there
// search alike from a terminal.
#include "platform/codepage.h"

#include "platform/code_pages.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    std::array<std::uint16_t, 256> weight{}; // sort weight of an upper-case byte
};

unsigned activeCodePage = 1251;

// The capital of each small letter the code pages hold; any other character as it is.
char16_t UpperLetter(char16_t c) {
    const bool latin = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    if (latin || (c >= 0x0430 && c <= 0x044F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x0450 && c <= 0x045F) {
        return static_cast<char16_t>(c - 0x50);
    }
    if (c == 0x0153 || c == 0x0161 || c == 0x017E || c == 0x0491) {
        return static_cast<char16_t>(c - 1);
    }
    return c == 0xFF ? char16_t{0x0178} : c;
}

CaseTables MakeTables(unsigned codePage) {
    const TCodePageChars& chars = *CodePageChars(codePage);
    const auto& bytes = *CodePageBytes(codePage);
    CaseTables t;
    for (int c = 0; c < 256; ++c) {
        t.upper[c] = t.lower[c] = static_cast<unsigned char>(c);
        t.weight[c] = static_cast<std::uint16_t>(c);
    }
    for (int c = 0; c < 256; ++c) {
        const char16_t upper = UpperLetter(chars[c]);
        if (upper != chars[c] && chars[bytes[upper]] == upper) {
            t.upper[c] = bytes[upper];
            t.lower[bytes[upper]] = static_cast<unsigned char>(c);
        }
        // Cyrillic capitals sort after every other byte, in alphabet order, with Ё right after Е.
        if (chars[c] >= 0x0410 && chars[c] <= 0x042F) {
            t.weight[c] = static_cast<std::uint16_t>(0x200 + 2 * (chars[c] - 0x0410));
        } else if (chars[c] == 0x0401) {
            t.weight[c] = static_cast<std::uint16_t>(0x200 + 2 * (0x0415 - 0x0410) + 1);
        }
    }
    return t;
}

CaseTables& Tables() {
    static CaseTables tables = MakeTables(activeCodePage);
    return tables;
}

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

} // namespace

char UpperChar(char c) {
    return static_cast<char>(Tables().upper[Byte(c)]);
}
char LowerChar(char c) {
    return static_cast<char>(Tables().lower[Byte(c)]);
}

std::string UpperString(std::string_view s) {
    std::string result(s);
    for (char& c : result) {
        c = UpperChar(c);
    }
    return result;
}

std::string LowerString(std::string_view s) {
    std::string result(s);
    for (char& c : result) {
        c = LowerChar(c);
    }
    return result;
}

int CompareText(std::string_view a, std::string_view b) {
    const CaseTables& t = Tables();
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int wa = t.weight[t.upper[Byte(a[i])]];
        const int wb = t.weight[t.upper[Byte(b[i])]];
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareStr(std::string_view a, std::string_view b) {
    if (const int byText = CompareText(a, b); byText != 0) {
        return byText;
    }
    // Equal but for case: as on Windows, the lower-case letter sorts first.
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return LowerChar(a[i]) == a[i] ? -1 : 1;
        }
    }
    return 0;
}

unsigned ActiveCodePage() {
    return activeCodePage;
}

void SetActiveCodePage(unsigned codePage) {
    activeCodePage = codePage;
    Tables() = MakeTables(codePage);
}

} // namespace platform
