// The start analysis of a compiled program: what every match begins with or contains, so that the
// search tries as few positions as possible.
#pragma once

#include "regexpr/compiler.h"
#include "regexpr/program.h"

#include <array>
#include <cstdint>
#include <string>

namespace regexpr {

struct StartInfo {
    int startChar = -1;       // every match begins with this character; -1 for none
    bool anchored = false;    // a match can only begin where the search starts
    int requiredLiteral = -1; // offset of a Literal operand that every match contains; -1 for none
    int requiredLength = 0;
    std::array<std::uint8_t, 32> firstChars{}; // bitmap of the characters a match may begin with
};

// The analysis as one line of plain text, for tests and diagnostics.
std::string DumpStartInfo(Program program, const StartInfo& info);

StartInfo AnalyseStart(Program program, int topFlags, const std::uint8_t* invertCase, ErrorSink& errors);

// Adds to `bitmap` the characters at which the program part starting at `node` may match first.
void CollectFirstChars(Program program, int node, const std::uint8_t* invertCase, std::uint8_t* bitmap,
                       ErrorSink& errors);

} // namespace regexpr
