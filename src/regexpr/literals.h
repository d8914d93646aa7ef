// What the matcher's fast paths learn of a program beyond its start analysis: the few literal
// strings that every match begins with, or contains, and the bytes that no match can contain.
#pragma once

#include "regexpr/program.h"
#include "regexpr/scan.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace regexpr {

// The characters a Literal or LiteralNoCase node compares, up to its first zero byte.
LiteralString LiteralOf(Program program, int node, const std::uint8_t* invertCase);

// The bytes a literal's character accepts, as a set.
ByteSet SetOf(LiteralChar c);

// Strings such that every match of the program part from `node` on begins with one of them, at most
// TLiteralScan::kMaxStrings of at most 16 characters, none a prefix of another; nothing when some
// way through that part begins with something else than a literal, or there are too many ways.
std::vector<LiteralString> LeadingLiterals(Program program, int node, const std::uint8_t* invertCase);

// A leading string, and the node where its way goes on after it; -1 when that is not known (the
// string ends inside a literal, or a longer string's way begins with it as well).
struct LeadingString {
    LiteralString text;
    int next = -1;
};

// LeadingLiterals, each with where its way goes on.
std::vector<LeadingString> LeadingStrings(Program program, int node, const std::uint8_t* invertCase);

// Of the parts that every match runs through one after the other, the leading literals of the one
// they are rarest for in catalog text; nothing when no part has leading literals.
std::vector<LiteralString> RequiredLiterals(Program program, const std::uint8_t* invertCase);

// How often the byte `c` stands in every match of the program, at the least: a character (of a
// literal, or a class) that takes nothing else, a repeat of one as often as it must repeat, a counted
// loop its round as often as it must go round, a choice its poorest branch. Anything else counts
// none, so the figure may be low but is never too high.
std::int32_t LeastCount(Program program, std::uint8_t c, const std::uint8_t* invertCase,
                        const std::array<bool, 256>& lineSeparator);

// LeastCount of the program part from `node` up to `stop` (-1: on to the program's end): a loop's
// round from its body up to the loop, or what follows it.
std::int32_t LeastCountAlong(Program program, int node, int stop, std::uint8_t c,
                             const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator);

// How often the byte `c` can stand in a match of the program, at the most; INT_MAX when that has no
// bound or is not known: a repeat or loop without bound of something that can take it, a
// backreference, a way that goes round again.
std::int32_t MostCount(Program program, std::uint8_t c, const std::uint8_t* invertCase,
                       const std::array<bool, 256>& lineSeparator);

// MostCount of the program part from `node` up to `stop`, as for LeastCountAlong.
std::int32_t MostCountAlong(Program program, int node, int stop, std::uint8_t c,
                            const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator);

// Whether every match of the program ends where a line does: its last item, past group closes, is a
// line's end.
bool EndsAtLineEnd(Program program);

// How often the strings occur, roughly, on the scale of CharFrequency: the lower the rarer.
int LiteralSetFrequency(const std::vector<LiteralString>& strings);

// How often characters of the sets occur one after the other, on the same scale.
int SetSequenceFrequency(const std::vector<ByteSet>& sets);

// How often one of several such sequences occurs.
int SetSequencesFrequency(const std::vector<std::vector<ByteSet>>& sequences);

// Adds the bytes that the one-character node `node` matches; false for a node of another kind. Of a
// literal, its first character.
bool AddCharBytes(Program program, int node, const std::uint8_t* invertCase,
                  const std::array<bool, 256>& lineSeparator, std::array<std::uint8_t, 32>& bytes);

// The bytes that a match of the program part from `node` on can begin with; nothing when some way
// through it may match no character first, or begins with a repeat that may match none or a
// backreference; a counted loop gives what a round or what follows it can begin with. The way goes
// on past the part's end, as a branch of a choice goes on after it.
std::optional<std::array<std::uint8_t, 32>> BeginBytes(Program program, int node,
                                                       const std::uint8_t* invertCase,
                                                       const std::array<bool, 256>& lineSeparator);

// The bytes that a position before the text's end must hold for the program part from `node` on to
// match there: as BeginBytes, but a line's end asks for one of `lineEnds`, the characters a line may
// end on.
std::optional<std::array<std::uint8_t, 32>> StandBytes(Program program, int node,
                                                       const std::uint8_t* invertCase,
                                                       const std::array<bool, 256>& lineSeparator,
                                                       const ByteSet& lineEnds);

// The bytes that the first characters of every match lie in, a set per character, as far as every
// way through the program from `node` gives each character the same place: up to the first repeat or
// counted loop of a varying count, loop whose rounds vary, backreference or node of another kind. A choice
// gives one set, of the bytes its branches can begin with, and ends the sets. At most `most` sets.
std::vector<ByteSet> LeadSets(Program program, int node, const std::uint8_t* invertCase,
                              const std::array<bool, 256>& lineSeparator, std::size_t most);

// The bytes that some node of the program can match, as a 256-bit set; AnyButLineBreak matches every
// byte that is no line separator (a paired separator's head alone is one character like any other).
std::array<std::uint8_t, 32> MatchableBytes(Program program, const std::uint8_t* invertCase,
                                            const std::array<bool, 256>& lineSeparator);

} // namespace regexpr
