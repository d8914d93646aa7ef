// Letter case in the active 8-bit (ANSI) code page: what CharUpperA, CharLowerA and the locale-aware
// comparison give on Windows. Off Windows the code page is 1251 (Cyrillic) unless the program sets
// another, so catalogs made on a Russian system behave the same in a terminal.
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

#ifndef _WIN32
// Chooses the code page off Windows: 866, 1251 or 1252. Called before anything reads the case
// tables, which the regular expression engine keeps once built.
void SetActiveCodePage(unsigned codePage);
#endif

} // namespace platform
