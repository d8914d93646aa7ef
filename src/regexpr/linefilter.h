// Whether a line can hold a match, told by an automaton read off the program and built lazily, one
// state per set of places the program can have reached. It reads each character once, where an
// attempt at every start would read the line again and again: worth it for loops of groups, whose
// failing attempts backtrack through many rounds. Read backward over a line, the same places mark
// every position where a match can begin, in one pass however many starts the line holds.
//
// It lets through every line the program matches in, and may let through more: anchors and word
// boundaries pass as if they held. A program it cannot read leaves it off: back references, a counted
// loop inside a counted loop, a count above 16, more than 64 places.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "regexpr/program.h"

namespace regexpr {

class TLineFilter {
public:
    // Built for `program`, whose matches never hold `breaks`; `invertCase` and `lineSeparator` as the
    // matcher reads literals and classes with. `backward`: for MarkStarts rather than RuledOut.
    void Assign(Program program, const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator,
                std::uint8_t breakA, std::uint8_t breakB, bool backward = false);
    void Clear();
    bool Active() const { return !states.empty(); }
    // Nothing when a match may begin at or after `from` in its line; else where the filter knew there
    // is none, at the latest the line's end: the first break from `from` on, or `end`. Off (and
    // nothing) for good once it would need too many states.
    const std::uint8_t* RuledOut(const std::uint8_t* from, const std::uint8_t* end);
    // Sets bit i of `marks` (cleared first) for each position `from` + i before `lineEnd`, a stretch
    // without breaks, where a match within the stretch may begin. Off for good once it would need too
    // many states.
    void MarkStarts(const std::uint8_t* from, const std::uint8_t* lineEnd, std::vector<std::uint64_t>& marks);

private:
    static constexpr int kMaxStates = 1024;
    // Marks in place of a next state, above every state; unsigned, so that a state plus a character
    // indexes the moves without a widening on the way.
    static constexpr std::uint32_t kGaveUp = 0xfffffffc;
    static constexpr std::uint32_t kBreak = 0xfffffffd;
    static constexpr std::uint32_t kAccept = 0xfffffffe;
    static constexpr std::uint32_t kUnknown = 0xffffffff;

    std::uint32_t StateOf(std::uint64_t places);
    std::uint32_t Follow(std::uint32_t state, std::uint8_t c);

    std::uint64_t startPlaces = 0;
    bool backward = false;
    std::array<std::uint64_t, 256> placesTaking{}; // the places that take each character
    std::vector<std::uint64_t> after;              // the places each place leads to once it takes one
    std::uint64_t leadingToEnd = 0;                // the places whose character can end a match
    std::uint8_t breaks[2] = {};
    // A state is known by where its 256 moves begin: the next state for each character, or one of
    // the marks above. Read backward, a state's places are those that can take the characters from
    // there on to a match's end.
    std::vector<std::uint64_t> states; // the places of each state; none while off
    std::vector<std::uint32_t> moves;
    std::unordered_map<std::uint64_t, std::uint32_t> known;
};

} // namespace regexpr
