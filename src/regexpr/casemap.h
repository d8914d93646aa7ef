// The default case inverter of the engine: a character's upper-case form in the active 8-bit code
// page, or its lower-case form when that leaves it unchanged. Built once into a table, because the
// platform's per-character calls are too slow for the matcher's inner loops.
#pragma once

#include <array>
#include <cstdint>

namespace regexpr {

using CaseTable = std::array<std::uint8_t, 256>;

const CaseTable& DefaultInvertCaseTable();

} // namespace regexpr
