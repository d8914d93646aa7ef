#include "terminal_text.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "commands.h"
#include "platform/code_pages.h"
#include "platform/codepage.h"
#include "platform/files.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#ifndef _WIN32
#include <clocale>
#include <langinfo.h>
#endif

namespace {

#ifndef _WIN32
bool LocaleIsUtf8() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
}
#endif

// Copies a block of bytes from `p` to `w` and tells how many of them, from the first, are ASCII.
#if defined(__SSE2__)
constexpr int kAsciiBlock = 16;

int CopyAscii(const char* p, char* w) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w), block);
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
    return high == 0 ? kAsciiBlock : std::countr_zero(high);
}
#else
constexpr int kAsciiBlock = 8;

int CopyAscii(const char* p, char* w) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    std::memcpy(w, p, 8);
    const std::uint64_t high = word & 0x8080808080808080u;
    const int firstHigh =
        std::endian::native == std::endian::little ? std::countr_zero(high) : std::countl_zero(high);
    return high == 0 ? kAsciiBlock : firstHigh / 8;
}
#endif

// Copies the last bytes of a line, from `p` to its `end`, fewer than a block, when the block that ends
// there is ASCII: the bytes of it before `p` were written as they are, just before `w`, so the block
// can be written again from there. False, with nothing written, when the block is not ASCII.
bool CopyAsciiTail(const char* begin, const char* p, const char* end, char* w) {
    if (end - begin < kAsciiBlock) {
        return false;
    }
    const char* from = end - kAsciiBlock;
    char block[kAsciiBlock];
    if (CopyAscii(from, block) != kAsciiBlock) {
        return false;
    }
    std::memcpy(w - (p - from), block, kAsciiBlock);
    return true;
}

std::string CharacterName(char32_t c) {
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    return number;
}

} // namespace

TTerminalText::TTerminalText(std::vector<std::string>& arguments) {
    unsigned codePage = platform::ActiveCodePage();
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--") {
            rest.insert(rest.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
            break;
        }
        if (arguments[i] == "--raw") {
            raw = true;
        } else if (arguments[i] == "--code-page") {
            ++i;
            if (i == arguments.size() ||
                (arguments[i] != "866" && arguments[i] != "1251" && arguments[i] != "1252")) {
                throw EUsage("--code-page takes 866, 1251 or 1252");
            }
            codePage = static_cast<unsigned>(std::stoul(arguments[i]));
        } else {
            rest.push_back(arguments[i]);
        }
    }
    arguments = std::move(rest);
#ifdef _WIN32
    if (codePage != platform::ActiveCodePage()) {
        throw EUsage("--code-page: on Windows the catalogs are read in the system's ANSI code page, " +
                     std::to_string(platform::ActiveCodePage()));
    }
#else
    platform::SetActiveCodePage(codePage);
    convertsUtf8 = !raw && LocaleIsUtf8();
#endif
    const platform::TCodePageChars& chars = *platform::CodePageChars(platform::ActiveCodePage());
    for (int byte = 0; byte < 256; ++byte) {
        std::string encoded;
        platform::AppendUtf8(encoded, chars[byte]);
        encoded.copy(utf8[byte].data(), 3);
        utf8[byte][3] = static_cast<char>(encoded.size());
    }
}

std::string TTerminalText::ToCatalog(std::string_view text, bool strict) const {
    if (!convertsUtf8) {
        return std::string(text);
    }
    const auto& bytes = *platform::CodePageBytes(platform::ActiveCodePage());
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            out += static_cast<char>(*p++);
            continue;
        }
        const std::size_t length = platform::Utf8SequenceLength(p, end);
        const char32_t c = length == 0 ? U'\uFFFD' : platform::Utf8Decode(p, length);
        const std::string original(reinterpret_cast<const char*>(p), length == 0 ? 1 : length);
        p += length == 0 ? 1 : length;
        const unsigned char byte = c < 0x10000 ? bytes[c] : '?';
        if (byte == '?' && strict) {
            throw std::runtime_error(
                length == 0 ? "\"" + std::string(text) + "\" is not UTF-8, the encoding of the locale"
                            : "code page " + std::to_string(platform::ActiveCodePage()) + " has no \"" +
                                  original + "\" (" + CharacterName(c) + "); --code-page chooses another");
        }
        out += static_cast<char>(byte);
    }
    return out;
}

void TTerminalText::AppendToTerminal(std::string& out, std::string_view bytes) const {
    if (!convertsUtf8) {
        out.append(bytes);
        return;
    }
    // Results can be hundreds of megabytes: written in place, the ASCII bytes (most of a path, which
    // UTF-8 keeps as they are) a block at a time.
    const std::size_t old = out.size();
    out.resize_and_overwrite(old + bytes.size() * 3, [&](char* buffer, std::size_t) {
        char* w = buffer + old;
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        while (p < end) {
            if (end - p >= kAsciiBlock) {
                const int ascii = CopyAscii(p, w);
                p += ascii;
                w += ascii;
                if (ascii == kAsciiBlock) {
                    continue;
                }
            } else if (CopyAsciiTail(bytes.data(), p, end, w)) {
                w += end - p;
                break;
            } else if (static_cast<unsigned char>(*p) < 0x80) {
                *w++ = *p++; // the last bytes of a line, fewer than a block
                continue;
            }
            do { // a word in another script: its letters come together
                const auto& encoded = utf8[static_cast<unsigned char>(*p++)];
                std::memcpy(w, encoded.data(), 3);
                w += encoded[3];
            } while (p < end && static_cast<unsigned char>(*p) >= 0x80);
        }
        return static_cast<std::size_t>(w - buffer);
    });
}

void TTerminalText::Write(std::string_view text) const {
    if (!WriteToTerminal(platform::TStandardStream::Out, text, raw)) {
        throw platform::EFileError("Stream write error");
    }
}

bool WriteToTerminal(platform::TStandardStream stream, std::string_view text, bool raw) {
    return platform::WriteStandard(stream, text, !raw);
}
