// Modifier sets of the regular-expression engine: one bit per letter i r s g m x, and the modifier
// string that sets and clears them ('is-gx' sets i and s and clears g and x).
#pragma once

#include <string_view>

namespace regexpr {

constexpr unsigned kModI = 1;  // letter case ignored
constexpr unsigned kModR = 2;  // Cyrillic class ranges of code page 1251 widened
constexpr unsigned kModS = 4;  // "." matches line separators too
constexpr unsigned kModG = 8;  // quantifiers greedy unless followed by "?"
constexpr unsigned kModM = 16; // "^" and "$" at line starts and ends
constexpr unsigned kModX = 32; // whitespace and "#" comments ignored

// The bit of a modifier letter (either case), or 0 for any other character.
unsigned ModifierBit(char letter);

// The bit of a modifier index 1 ... 6 (i r s g m x), or 0 for any other index.
unsigned ModifierIndexBit(int index);

// Applies a modifier string to `modifiers` letter by letter: "-" switches to clearing for the rest of
// the string. Returns false at the first character that is no modifier letter; the letters before it
// stay applied.
bool ParseModifiers(std::string_view text, unsigned& modifiers);

} // namespace regexpr
