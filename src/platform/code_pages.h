// The single-byte code pages the catalogs meet, as Unicode: the Cyrillic and West-European ANSI code
// pages and the Russian console's OEM one. Portable tables, so that both builds convert alike.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace platform {

// What each byte of a code page stands for; bytes the code page leaves undefined map to U+FFFD.
using TCodePageChars = std::array<char16_t, 256>;

// The table of 866, 1251 or 1252; nullptr for any other code page.
const TCodePageChars* CodePageChars(unsigned codePage);

// The byte of `codePage` for each UTF-16 unit (U+0000 to U+FFFF), or '?' where it has none. Built on
// first use and kept; nullptr where `CodePageChars` has no table.
const std::array<unsigned char, 65536>* CodePageBytes(unsigned codePage);

// The length of the well-formed UTF-8 sequence of two bytes or more at `p`, or 0.
std::size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end);
// The character of a sequence `Utf8SequenceLength` measured.
char32_t Utf8Decode(const unsigned char* p, std::size_t length);
void AppendUtf8(std::string& out, char32_t c);

} // namespace platform
