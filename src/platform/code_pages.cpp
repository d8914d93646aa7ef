#include "platform/code_pages.h"

#include <memory>

namespace platform {

namespace {

constexpr char16_t kNone = 0xFFFD;

// Bytes 0x80 to 0xBF of code page 1251; 0xC0 to 0xFF are U+0410 to U+044F in order.
constexpr char16_t k1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, kNone,  0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// Bytes 0x80 to 0x9F of code page 1252; 0xA0 to 0xFF are Latin-1, U+00A0 to U+00FF.
constexpr char16_t k1252High[32] = {0x20AC, kNone,  0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kNone,  0x017D, kNone,
                                    kNone,  0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kNone,  0x017E, 0x0178};

// Bytes 0xB0 to 0xDF of code page 866, the box-drawing block, and 0xF0 to 0xFF. 0x80 to 0xAF are
// U+0410 to U+043F and 0xE0 to 0xEF are U+0440 to U+044F.
constexpr char16_t k866Boxes[48] = {
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580};
constexpr char16_t k866Tail[16] = {0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
                                   0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};

TCodePageChars AsciiBelow() {
    TCodePageChars chars{};
    for (unsigned b = 0; b < 0x80; ++b) {
        chars[b] = static_cast<char16_t>(b);
    }
    return chars;
}

TCodePageChars Make1251() {
    TCodePageChars chars = AsciiBelow();
    for (unsigned b = 0x80; b < 0x100; ++b) {
        chars[b] = b < 0xC0 ? k1251High[b - 0x80] : static_cast<char16_t>(0x0410 + (b - 0xC0));
    }
    return chars;
}

TCodePageChars Make1252() {
    TCodePageChars chars = AsciiBelow();
    for (unsigned b = 0x80; b < 0x100; ++b) {
        chars[b] = b < 0xA0 ? k1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return chars;
}

TCodePageChars Make866() {
    TCodePageChars chars = AsciiBelow();
    for (unsigned b = 0x80; b < 0x100; ++b) {
        if (b < 0xB0) {
            chars[b] = static_cast<char16_t>(0x0410 + (b - 0x80));
        } else if (b < 0xE0) {
            chars[b] = k866Boxes[b - 0xB0];
        } else if (b < 0xF0) {
            chars[b] = static_cast<char16_t>(0x0440 + (b - 0xE0));
        } else {
            chars[b] = k866Tail[b - 0xF0];
        }
    }
    return chars;
}

std::unique_ptr<std::array<unsigned char, 65536>> MakeBytes(const TCodePageChars& chars) {
    auto bytes = std::make_unique<std::array<unsigned char, 65536>>();
    bytes->fill('?');
    // Downwards, so that a character two bytes share maps to the lower one (only U+FFFD does).
    for (unsigned b = 256; b-- > 0;) {
        (*bytes)[chars[b]] = static_cast<unsigned char>(b);
    }
    (*bytes)[kNone] = '?';
    return bytes;
}

} // namespace

const TCodePageChars* CodePageChars(unsigned codePage) {
    static const TCodePageChars k866 = Make866();
    static const TCodePageChars k1251 = Make1251();
    static const TCodePageChars k1252 = Make1252();
    switch (codePage) {
    case 866:
        return &k866;
    case 1251:
        return &k1251;
    case 1252:
        return &k1252;
    default:
        return nullptr;
    }
}

const std::array<unsigned char, 65536>* CodePageBytes(unsigned codePage) {
    static const auto k866 = MakeBytes(*CodePageChars(866));
    static const auto k1251 = MakeBytes(*CodePageChars(1251));
    static const auto k1252 = MakeBytes(*CodePageChars(1252));
    switch (codePage) {
    case 866:
        return k866.get();
    case 1251:
        return k1251.get();
    case 1252:
        return k1252.get();
    default:
        return nullptr;
    }
}

std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char lead = p[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length || p[1] < low || p[1] > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) {
            return 0;
        }
    }
    return length;
}

char32_t Utf8Decode(const unsigned char* p, std::size_t length) {
    if (length == 2) {
        return (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    }
    if (length == 3) {
        return (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    }
    return (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) |
           (p[3] & 0x3F);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace platform
