// The single-byte code pages the catalogs meet, as Unicode: the Cyrillic and West-European ANSI code
// pages and the Russian console's OEM one. Portable tables, so that both builds convert alike.
#pragma once

#include <array>

namespace platform {

// What each byte of a code page stands for; bytes the code page leaves undefined map to U+FFFD.
using TCodePageChars = std::array<char16_t, 256>;

// The table of 866, 1251 or 1252; nullptr for any other code page.
const TCodePageChars* CodePageChars(unsigned codePage);

// The byte of `codePage` for each UTF-16 unit (U+0000 to U+FFFF), or '?' where it has none. Built on
// first use and kept; nullptr where `CodePageChars` has no table.
const std::array<unsigned char, 65536>* CodePageBytes(unsigned codePage);

} // namespace platform
