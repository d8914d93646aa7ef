// Letter case in the active 8-bit (ANSI) code page: what CharUpperA, CharLowerA and the locale-aware
// comparison give on Windows. Off Windows the code page is 1251 (Cyrillic), so catalogs made on a
// Russian system behave the same in a terminal.
#pragma once

#include <string>
#include <string_view>

namespace platform {

char UpperChar(char c);
char LowerChar(char c);
std::string UpperString(std::string_view s);
std::string LowerString(std::string_view s);

// Locale-aware comparisons as the sorted string list uses them: < 0, 0 or > 0.
int CompareText(std::string_view a, std::string_view b); // letter case ignored
int CompareStr(std::string_view a, std::string_view b);  // letter case counts

unsigned ActiveCodePage();

} // namespace platform
