#include "regexpr/linefilter.h"

#include <algorithm>
#include <bit>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "regexpr/literals.h"

namespace regexpr {

namespace {

constexpr std::int32_t kMaxKeptCount = 16; // counts above this are not kept
constexpr std::size_t kMaxPlaces = 64;     // one bit each in a state

// A place the program can be at, about to take one character: a node, how far into it (the
// character of a literal, or how many a repeat has taken, up to its low count for an endless one),
// and how many rounds the counted loop around it has made (-1 outside one).
using Place = std::tuple<int, std::int32_t, std::int32_t>;

// The places of a program and where each leads, found from the first node on.
class TPlaceReader {
public:
    TPlaceReader(Program program, const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator)
        : program(program), invertCase(invertCase), lineSeparator(lineSeparator) {}

    bool failed = false;
    std::vector<Place> places;
    std::vector<ByteSet> takes;

    // The places reached from `node` without taking a character; whether the program's end is.
    std::uint64_t Reach(int node, std::int32_t rounds, bool& ends) { return Walk({{node, rounds}}, ends); }

    // Where a place leads once it has taken its character.
    std::uint64_t After(std::size_t place, bool& ends) {
        const auto [node, into, rounds] = places[place];
        const int kind = program[node];
        std::uint64_t found = 0;
        if (IsLiteral(kind)) {
            const LiteralString text = LiteralOf(program, node, invertCase);
            if (into + 1 < static_cast<std::int32_t>(text.size())) {
                return Bit(Add({node, into + 1, rounds}, SetOf(text[into + 1])));
            }
        } else if (IsSimpleRepeat(kind)) {
            const auto [low, high] = Counts(node);
            const std::int32_t taken = into + 1;
            if (high == kUnboundedRepeat || taken < high) {
                const Place again{node, high == kUnboundedRepeat ? std::min(taken, low) : taken, rounds};
                const ByteSet set = takes[place]; // a copy, as Add may move the places' sets
                found |= Bit(Add(again, set));
            }
            if (taken < low) {
                return found;
            }
        }
        return found | Walk({{NextNode(program, node), rounds}}, ends);
    }

private:
    Program program;
    const std::uint8_t* invertCase;
    const std::array<bool, 256>& lineSeparator;
    std::map<Place, int> ids;

    static std::uint64_t Bit(int id) { return id < 0 ? 0 : std::uint64_t{1} << id; }

    bool Fits(int node, int size) const {
        return node >= kFirstNode && node + size <= static_cast<int>(program.size());
    }

    static bool IsLiteral(int kind) { return kind == kLiteral || kind == kLiteralNoCase; }

    // The place's number, new places numbered as they come; -1 past kMaxPlaces.
    int Add(const Place& place, const ByteSet& set) {
        if (const auto it = ids.find(place); it != ids.end()) {
            return it->second;
        }
        if (places.size() == kMaxPlaces) {
            failed = true;
            return -1;
        }
        const int id = static_cast<int>(places.size());
        ids.emplace(place, id);
        places.push_back(place);
        takes.push_back(set);
        return id;
    }

    // What a node that takes exactly one character takes: a class, or a literal of one character.
    std::optional<ByteSet> OneCharacter(int node) const {
        ByteSet set{};
        if (!Fits(node, kNodeSize) || !AddCharBytes(program, node, invertCase, lineSeparator, set) ||
            (IsLiteral(program[node]) && LiteralOf(program, node, invertCase).size() != 1)) {
            return std::nullopt;
        }
        return set;
    }

    // A repeat's counts, the endless high one as kUnboundedRepeat.
    std::pair<std::int32_t, std::int32_t> Counts(int node) const {
        switch (program[node]) {
        case kSimpleStar:
        case kSimpleStarLazy:
            return {0, kUnboundedRepeat};
        case kSimplePlus:
        case kSimplePlusLazy:
            return {1, kUnboundedRepeat};
        default: {
            const std::int32_t high = HighCount(program, node);
            return {LowCount(program, node), high >= kMaxBraces ? kUnboundedRepeat : high};
        }
        }
    }

    using Step = std::pair<int, std::int32_t>; // a node, and the rounds of the loop around it

    // A counted loop that has made `rounds` rounds: another one, or what follows.
    void Round(int loop, std::int32_t rounds, std::vector<Step>& work) const {
        const auto [low, high] = Counts(loop);
        if (high == kUnboundedRepeat) {
            rounds = std::min(rounds, low);
        }
        if (rounds < low || high == kUnboundedRepeat || rounds < high) {
            work.emplace_back(LoopBody(program, loop), rounds);
        }
        if (rounds >= low) {
            work.emplace_back(NextNode(program, loop), -1);
        }
    }

    // The places reached from the steps without taking a character, through a list of its own, as a
    // program's chains of nodes may be long.
    std::uint64_t Walk(std::vector<Step> work, bool& ends) {
        std::uint64_t found = 0;
        std::set<Step> seen;
        while (!work.empty() && !failed) {
            const auto [node, rounds] = work.back();
            work.pop_back();
            if (!Fits(node, kNodeSize)) {
                failed = true;
                break;
            }
            if (!seen.emplace(node, rounds).second) {
                continue;
            }
            found |= Take(node, rounds, ends, work);
        }
        return found;
    }

    // The place of the node, or the nodes to go on with.
    std::uint64_t Take(int node, std::int32_t rounds, bool& ends, std::vector<Step>& work) {
        const int kind = program[node];
        if (IsGroupOpen(kind) || IsGroupClose(kind)) {
            work.emplace_back(NextNode(program, node), rounds);
            return 0;
        }
        switch (kind) {
        case kProgramEnd:
            ends = true;
            return 0;
        case kAlternative:
            if (const int next = NextNode(program, node); next < 0 || program[next] != kAlternative) {
                work.emplace_back(OperandOf(node), rounds);
                return 0;
            }
            for (int branch = node; branch >= 0 && program[branch] == kAlternative;
                 branch = NextNode(program, branch)) {
                work.emplace_back(OperandOf(branch), rounds);
            }
            return 0;
        case kEmpty:
        case kSkip:
        case kLoopBack:
        case kLineStart:
        case kLineEnd:
        case kTextStart:
        case kTextEnd:
        case kWordBoundary:
        case kNotWordBoundary:
            work.emplace_back(NextNode(program, node), rounds);
            return 0;
        case kLiteral:
        case kLiteralNoCase: {
            const LiteralString text = LiteralOf(program, node, invertCase);
            if (text.empty()) {
                failed = true;
                return 0;
            }
            return Bit(Add({node, 0, rounds}, SetOf(text[0])));
        }
        case kLoopEntry: {
            const int loop = CountedLoop(program, node);
            if (loop < 0 || rounds >= 0 || !Kept(loop)) {
                failed = true;
                return 0;
            }
            Round(loop, 0, work);
            return 0;
        }
        case kLoop:
        case kLoopLazy:
            if (rounds < 0 || !Fits(node, kNodeSize + kLoopOperandSize)) {
                failed = true;
                return 0;
            }
            Round(node, rounds + 1, work);
            return 0;
        default:
            break;
        }
        if (const auto set = OneCharacter(node)) {
            return Bit(Add({node, 0, rounds}, *set));
        }
        const auto set = IsSimpleRepeat(kind) ? OneCharacter(RepeatOperand(program, node)) : std::nullopt;
        if (!set || !Kept(node)) {
            failed = true; // back references, and what no compiled program holds
            return 0;
        }
        if (Counts(node).first == 0) {
            work.emplace_back(NextNode(program, node), rounds);
        }
        return Counts(node).second > 0 ? Bit(Add({node, 0, rounds}, *set)) : 0;
    }

    // Whether a repeat's or a loop's counts are small enough to keep.
    bool Kept(int node) const {
        const auto [low, high] = Counts(node);
        return low <= kMaxKeptCount && (high == kUnboundedRepeat || high <= kMaxKeptCount);
    }
};

} // namespace

void TLineFilter::Clear() {
    states.clear();
    moves.clear();
    known.clear();
}

void TLineFilter::Assign(Program program, const std::uint8_t* invertCase,
                         const std::array<bool, 256>& lineSeparator, std::uint8_t breakA, std::uint8_t breakB,
                         bool readBackward) {
    Clear();
    backward = readBackward;
    TPlaceReader reader(program, invertCase, lineSeparator);
    bool startEnds = false;
    startPlaces = reader.Reach(kFirstNode, -1, startEnds);
    after.clear();
    leadingToEnd = 0;
    for (std::size_t place = 0; place < reader.places.size() && !reader.failed; ++place) {
        bool ends = false;
        const std::uint64_t next = reader.After(place, ends);
        after.push_back(next);
        leadingToEnd |= ends ? std::uint64_t{1} << place : 0;
    }
    // A program that can match an empty string matches in every line.
    if (reader.failed || startEnds) {
        return;
    }
    placesTaking.fill(0);
    for (std::size_t place = 0; place < reader.places.size(); ++place) {
        for (int c = 0; c < 256; ++c) {
            if (InSet(reader.takes[place].data(), static_cast<std::uint8_t>(c))) {
                placesTaking[c] |= std::uint64_t{1} << place;
            }
        }
    }
    breaks[0] = breakA;
    breaks[1] = breakB;
    StateOf(backward ? 0 : startPlaces); // read backward, nothing lies past a line's end
}

std::uint32_t TLineFilter::StateOf(std::uint64_t places) {
    if (const auto it = known.find(places); it != known.end()) {
        return it->second;
    }
    if (states.size() == kMaxStates) {
        return kGaveUp;
    }
    const auto state = static_cast<std::uint32_t>(states.size() * 256);
    known.emplace(places, state);
    states.push_back(places);
    moves.resize(moves.size() + 256, kUnknown);
    if (!backward) {
        moves[state + breaks[0]] = moves[state + breaks[1]] = kBreak;
    }
    return state;
}

// Forward, a match may begin after every character, so the first places are always among the next
// ones. Backward, a place that takes `c` is kept when its character can end a match, or when it leads
// to a place of the state, which can take the rest.
std::uint32_t TLineFilter::Follow(std::uint32_t state, std::uint8_t c) {
    const std::uint64_t places = states[state / 256];
    std::uint64_t taking = placesTaking[c];
    std::uint64_t next = 0;
    if (backward) {
        for (; taking != 0; taking &= taking - 1) {
            const int place = std::countr_zero(taking);
            if (((leadingToEnd >> place) & 1) != 0 ||
                (after[static_cast<std::size_t>(place)] & places) != 0) {
                next |= std::uint64_t{1} << place;
            }
        }
    } else {
        taking &= places;
        if ((taking & leadingToEnd) != 0) {
            return moves[state + c] = kAccept;
        }
        for (next = startPlaces; taking != 0; taking &= taking - 1) {
            next |= after[static_cast<std::size_t>(std::countr_zero(taking))];
        }
        if (next == 0) {
            return moves[state + c] = kBreak;
        }
    }
    const std::uint32_t to = StateOf(next);
    if (to != kGaveUp) {
        moves[state + c] = to;
    }
    return to;
}

const std::uint8_t* TLineFilter::RuledOut(const std::uint8_t* from, const std::uint8_t* end) {
    std::uint32_t state = 0;
    for (const std::uint8_t* p = from; p < end; ++p) {
        std::uint32_t next = moves[state + *p];
        if (next >= kGaveUp) [[unlikely]] {
            next = next == kUnknown ? Follow(state, *p) : next;
            if (next == kBreak) {
                return p;
            }
            if (next == kAccept) {
                return nullptr;
            }
            if (next == kGaveUp) {
                Clear();
                return nullptr;
            }
        }
        if (next == state) {
            // A run that keeps the state: its moves no longer wait on one another.
            while (p + 1 < end && moves[state + p[1]] == state) {
                ++p;
            }
        }
        state = next;
    }
    return end;
}

void TLineFilter::MarkStarts(const std::uint8_t* from, const std::uint8_t* lineEnd,
                             std::vector<std::uint64_t>& marks) {
    const auto length = static_cast<std::size_t>(lineEnd - from);
    marks.assign(length / 64 + 1, 0);
    std::uint32_t state = 0;
    for (std::size_t i = length; i-- > 0;) {
        const std::uint8_t c = from[i];
        std::uint32_t next = moves[state + c];
        if (next == kUnknown) [[unlikely]] {
            next = Follow(state, c);
            if (next == kGaveUp) {
                Clear();
                return;
            }
        }
        if ((states[next / 256] & startPlaces) != 0) {
            marks[i / 64] |= std::uint64_t{1} << (i % 64);
        } else if (next == state) {
            // A run that keeps a state where no match begins marks nothing.
            while (i > 0 && moves[state + from[i - 1]] == state) {
                --i;
            }
        }
        state = next;
    }
}

} // namespace regexpr
