// Code page 1251 case tables, the same mapping that CharUpperA and CharLowerA give under a Russian
// Windows, so that catalogs made there search alike from a terminal.
#include "platform/codepage.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

struct CaseTables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> lower{};
    std::array<std::uint16_t, 256> weight{}; // sort weight of an upper-case byte
};

CaseTables MakeTables() {
    CaseTables t;
    for (int c = 0; c < 256; ++c) {
        t.upper[c] = t.lower[c] = static_cast<unsigned char>(c);
    }
    auto pair = [&t](int upper, int lower) {
        t.upper[lower] = static_cast<unsigned char>(upper);
        t.lower[upper] = static_cast<unsigned char>(lower);
    };
    for (int c = 'A'; c <= 'Z'; ++c) {
        pair(c, c + 32);
    }
    for (int c = 0xC0; c <= 0xDF; ++c) {
        pair(c, c + 32);
    }
    // The letters of the other Cyrillic alphabets that code page 1251 holds.
    const int others[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
                             {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
                             {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (const auto& o : others) {
        pair(o[0], o[1]);
    }
    // Cyrillic letters sort after every other byte, in alphabet order, with Ё right after Е.
    for (int c = 0; c < 256; ++c) {
        t.weight[c] = static_cast<std::uint16_t>(c);
    }
    for (int c = 0xC0; c <= 0xDF; ++c) {
        t.weight[c] = static_cast<std::uint16_t>(0x200 + 2 * (c - 0xC0));
    }
    t.weight[0xA8] = static_cast<std::uint16_t>(t.weight[0xC5] + 1);
    return t;
}

const CaseTables& Tables() {
    static const CaseTables tables = MakeTables();
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
    return 1251;
}

} // namespace platform
