#include "regexpr/literals.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <optional>

namespace regexpr {
namespace {

constexpr std::size_t kMaxLength = 16;
constexpr std::size_t kMaxWays = 64; // strings collected before the set is pruned
constexpr int kWalkBudget = 1024;    // nodes visited by one walk over the ways
constexpr int kMaxChoiceDepth = 8;   // choices inside choices that a walk looks into

// On the scale of CharFrequency, how much rarer each further character makes a string or a sequence
// of sets, from the rarest of them: at least 1.
constexpr int kFrequencyStep = 8;

int RarerBy(int rarest, std::size_t length) {
    return std::max(1, rarest - kFrequencyStep * (static_cast<int>(length) - 1));
}

// One of `count` things, the most frequent of them `most`: a step more for each doubling of them, as a
// doubling makes them at most twice as frequent, where a character makes a string many times rarer.
int AnyOfFrequency(int most, std::size_t count) {
    return count < 2 ? most : most + kFrequencyStep * static_cast<int>(std::bit_width(count - 1));
}

bool Valid(Program program, int node) {
    return node >= kFirstNode && node + kNodeSize <= static_cast<int>(program.size());
}

// Nodes that match no character and make no choice: a way passes them on to the next node.
bool PassesOn(int kind) {
    switch (kind) {
    case kSkip:
    case kEmpty:
    case kLoopBack:
    case kTextStart:
    case kTextEnd:
    case kLineStart:
    case kLineEnd:
    case kWordBoundary:
    case kNotWordBoundary:
        return true;
    default:
        return IsGroupOpen(kind) || IsGroupClose(kind);
    }
}

// The node where the branches of the choice that begins at `node` meet.
int ChoiceJoin(Program program, int node) {
    while (Valid(program, node) && program[node] == kAlternative) {
        node = NextNode(program, node);
    }
    return node;
}

// How few and how many times the simple repeat `node` repeats; nothing when its counts lie past the
// program's end.
struct RepeatBounds {
    std::int32_t low = 0;
    std::int32_t high = kUnboundedRepeat;
};
std::optional<RepeatBounds> RepeatCounts(Program program, int node) {
    const int kind = program[node];
    if (IsBracesRepeat(kind)) {
        if (OperandOf(node) + kBracesOperandSize > static_cast<int>(program.size())) {
            return std::nullopt;
        }
        return RepeatBounds{LowCount(program, node), HighCount(program, node)};
    }
    return RepeatBounds{kind == kSimplePlus || kind == kSimplePlusLazy ? 1 : 0, kUnboundedRepeat};
}

bool StartsWith(const LiteralString& text, const LiteralString& prefix) {
    return prefix.size() <= text.size() && std::equal(prefix.begin(), prefix.end(), text.begin());
}

} // namespace

LiteralString LiteralOf(Program program, int node, const std::uint8_t* invertCase) {
    const bool noCase = program[node] == kLiteralNoCase;
    LiteralString text;
    for (std::size_t at = static_cast<std::size_t>(OperandOf(node)); at < program.size() && program[at] != 0;
         ++at) {
        const std::uint8_t c = program[at];
        text.push_back({c, noCase ? invertCase[c] : c});
    }
    return text;
}

ByteSet SetOf(LiteralChar c) {
    ByteSet set{};
    AddChar(set.data(), c.c);
    AddChar(set.data(), c.other);
    return set;
}

std::vector<LeadingString> LeadingStrings(Program program, int start, const std::uint8_t* invertCase) {
    struct Way {
        int node;
        LiteralString text; // what the way has matched so far
    };
    std::vector<LeadingString> found;
    std::vector<Way> pending{{start, {}}};
    int budget = kWalkBudget;
    while (!pending.empty()) {
        Way way = std::move(pending.back());
        pending.pop_back();
        for (;;) {
            if (--budget < 0 || !Valid(program, way.node)) {
                return {};
            }
            const int kind = program[way.node];
            const int next = NextNode(program, way.node);
            if (PassesOn(kind)) {
                way.node = next;
                continue;
            }
            if (kind == kAlternative) {
                if (Valid(program, next) && program[next] == kAlternative) {
                    // A choice: each branch is a way of its own.
                    for (int branch = way.node; Valid(program, branch) && program[branch] == kAlternative;
                         branch = NextNode(program, branch)) {
                        pending.push_back({OperandOf(branch), way.text});
                    }
                    break;
                }
                way.node = OperandOf(way.node);
                continue;
            }
            if (kind == kLiteral || kind == kLiteralNoCase) {
                const LiteralString piece = LiteralOf(program, way.node, invertCase);
                if (!piece.empty()) {
                    std::size_t taken = 0;
                    for (; taken < piece.size() && way.text.size() < kMaxLength; ++taken) {
                        way.text.push_back(piece[taken]);
                    }
                    way.node = taken == piece.size() ? next : -1; // -1: cut inside the literal
                    if (way.text.size() < kMaxLength) {
                        continue;
                    }
                }
            }
            // Anything else, or enough characters: every match along this way begins with its text.
            if (way.text.empty() || found.size() == kMaxWays) {
                return {};
            }
            found.push_back({std::move(way.text), way.node});
            break;
        }
    }
    // A string that begins with another one adds nothing: a match that begins with it begins with the
    // other, whose way then no longer tells what follows.
    std::stable_sort(found.begin(), found.end(), [](const LeadingString& x, const LeadingString& y) {
        return x.text.size() < y.text.size();
    });
    std::vector<LeadingString> kept;
    for (LeadingString& way : found) {
        const auto prefix = std::find_if(kept.begin(), kept.end(), [&way](const LeadingString& shorter) {
            return StartsWith(way.text, shorter.text);
        });
        if (prefix == kept.end()) {
            kept.push_back(std::move(way));
        } else {
            prefix->next = -1;
        }
    }
    if (kept.size() > static_cast<std::size_t>(TLiteralScan::kMaxStrings)) {
        return {};
    }
    return kept;
}

std::vector<LiteralString> LeadingLiterals(Program program, int start, const std::uint8_t* invertCase) {
    std::vector<LiteralString> texts;
    for (LeadingString& way : LeadingStrings(program, start, invertCase)) {
        texts.push_back(std::move(way.text));
    }
    return texts;
}

int LiteralSetFrequency(const std::vector<LiteralString>& strings) {
    // A string is about as frequent as its rarest character, and each further character makes it
    // rarer by a step.
    int most = 0;
    for (const LiteralString& text : strings) {
        int rarest = INT_MAX;
        for (const LiteralChar& c : text) {
            rarest = std::min(rarest, std::max(CharFrequency(c.c), CharFrequency(c.other)));
        }
        most = std::max(most, RarerBy(rarest, text.size()));
    }
    return AnyOfFrequency(most, strings.size());
}

int SetSequenceFrequency(const std::vector<ByteSet>& sets) {
    // As for a string: the rarest set, and rarer for each more.
    int rarest = INT_MAX;
    for (const ByteSet& set : sets) {
        rarest = std::min(rarest, SetFrequency(set));
    }
    return RarerBy(rarest, sets.size());
}

int SetSequencesFrequency(const std::vector<std::vector<ByteSet>>& sequences) {
    int most = 0;
    for (const std::vector<ByteSet>& sets : sequences) {
        most = std::max(most, SetSequenceFrequency(sets));
    }
    return AnyOfFrequency(most, sequences.size());
}

std::vector<LiteralString> RequiredLiterals(Program program, const std::uint8_t* invertCase) {
    if (!Valid(program, kFirstNode) || program[kFirstNode] != kAlternative) {
        return {};
    }
    const int second = NextNode(program, kFirstNode);
    if (Valid(program, second) && program[second] == kAlternative) {
        return {}; // a choice at the top: the parts differ from branch to branch
    }
    std::vector<LiteralString> best;
    int bestFrequency = INT_MAX;
    int budget = kWalkBudget;
    int node = OperandOf(kFirstNode);
    while (Valid(program, node) && program[node] != kProgramEnd && --budget >= 0) {
        int part = node;
        const int next = NextNode(program, node);
        if (program[node] == kAlternative) {
            if (!Valid(program, next) || program[next] != kAlternative) {
                node = OperandOf(node); // one branch: its nodes are parts in turn
                continue;
            }
            // A choice is one part, and the way on begins where its branches meet.
            node = ChoiceJoin(program, node);
        } else {
            node = next;
        }
        std::vector<LiteralString> leading = LeadingLiterals(program, part, invertCase);
        if (!leading.empty()) {
            const int frequency = LiteralSetFrequency(leading);
            if (frequency < bestFrequency) {
                bestFrequency = frequency;
                best = std::move(leading);
            }
        }
    }
    return best;
}

namespace {

constexpr std::int64_t kNoBound = INT_MAX;

// The least count of `c` along the way from `node` to `stop` (or the program's end), or the most when
// `most`. What the walk cannot follow counts nothing for the least, which then may be low, and leaves
// the most without bound.
std::int64_t CountAlong(Program program, int node, int stop, std::uint8_t c, bool most,
                        const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator,
                        int& budget, int depth) {
    std::int64_t total = 0;
    const auto unknown = [&] { return most ? kNoBound : total; };
    // Whether a one-character node counts: for the most, when it may take `c`; for the least, when it
    // takes nothing else. Nothing for a node of another kind.
    const auto counts = [&](int one) -> std::optional<bool> {
        ByteSet bytes{};
        if (!AddCharBytes(program, one, invertCase, lineSeparator, bytes)) {
            return std::nullopt;
        }
        ByteSet alone{};
        AddChar(alone.data(), c);
        return most ? InSet(bytes.data(), c) : bytes == alone;
    };
    while (total < kNoBound) {
        if (--budget < 0 || !Valid(program, node)) {
            return unknown();
        }
        if (node == stop || program[node] == kProgramEnd) {
            return total;
        }
        const int kind = program[node];
        const int next = NextNode(program, node);
        if (kind == kLoopBack || kind == kLoop || kind == kLoopLazy) {
            return unknown(); // round again, or a loop entered elsewhere
        }
        if (PassesOn(kind)) {
            node = next;
            continue;
        }
        if (kind == kAlternative) {
            if (!Valid(program, next) || program[next] != kAlternative) {
                node = OperandOf(node);
                continue;
            }
            if (depth >= kMaxChoiceDepth) {
                return unknown();
            }
            // A choice counts as its richest branch for the most, its poorest for the least.
            const int join = ChoiceJoin(program, node);
            std::int64_t bound = most ? 0 : kNoBound;
            for (int branch = node; Valid(program, branch) && program[branch] == kAlternative;
                 branch = NextNode(program, branch)) {
                const std::int64_t way = CountAlong(program, OperandOf(branch), join, c, most, invertCase,
                                                    lineSeparator, budget, depth + 1);
                bound = most ? std::max(bound, way) : std::min(bound, way);
            }
            total += bound;
            node = join;
            continue;
        }
        if (kind == kLoopEntry) {
            const int loop = CountedLoop(program, node);
            if (loop < 0) {
                return unknown();
            }
            const std::int64_t round = CountAlong(program, LoopBody(program, loop), loop, c, most, invertCase,
                                                  lineSeparator, budget, depth);
            const std::int32_t rounds =
                most ? HighCount(program, loop) : std::max(0, LowCount(program, loop));
            if (most && round > 0 && (rounds >= kMaxBraces || rounds < 0)) {
                return kNoBound;
            }
            total += round * rounds;
            node = NextNode(program, loop);
            continue;
        }
        std::optional<bool> counted;
        std::int64_t times = 1;
        if (kind == kLiteral || kind == kLiteralNoCase) {
            for (const LiteralChar& x : LiteralOf(program, node, invertCase)) {
                total += (most ? x.Accepts(c) : x.c == c && x.other == c) ? 1 : 0;
            }
            counted = false;
        } else if (IsSimpleRepeat(kind)) {
            const int operand = RepeatOperand(program, node);
            const auto bounds = RepeatCounts(program, node);
            if (bounds && Valid(program, operand)) {
                counted = counts(operand);
                times = most ? bounds->high : std::max(0, bounds->low);
                if (most && counted.value_or(false) && (times >= kMaxBraces || times < 0)) {
                    return kNoBound;
                }
            }
        } else if (kind != kBackRef && kind != kBackRefNoCase) {
            counted = counts(node);
        }
        if (!counted && most) {
            return kNoBound; // a backreference, or a node the walk does not know
        }
        total += counted.value_or(false) ? times : 0;
        node = next;
    }
    return kNoBound;
}

} // namespace

std::int32_t LeastCount(Program program, std::uint8_t c, const std::uint8_t* invertCase,
                        const std::array<bool, 256>& lineSeparator) {
    return LeastCountAlong(program, kFirstNode, -1, c, invertCase, lineSeparator);
}

std::int32_t LeastCountAlong(Program program, int node, int stop, std::uint8_t c,
                             const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator) {
    int budget = kWalkBudget;
    return static_cast<std::int32_t>(
        std::min(kNoBound, CountAlong(program, node, stop, c, false, invertCase, lineSeparator, budget, 0)));
}

std::int32_t MostCount(Program program, std::uint8_t c, const std::uint8_t* invertCase,
                       const std::array<bool, 256>& lineSeparator) {
    return MostCountAlong(program, kFirstNode, -1, c, invertCase, lineSeparator);
}

std::int32_t MostCountAlong(Program program, int node, int stop, std::uint8_t c,
                            const std::uint8_t* invertCase, const std::array<bool, 256>& lineSeparator) {
    int budget = kWalkBudget;
    return static_cast<std::int32_t>(
        std::min(kNoBound, CountAlong(program, node, stop, c, true, invertCase, lineSeparator, budget, 0)));
}

bool EndsAtLineEnd(Program program) {
    int last = -1;
    int budget = kWalkBudget;
    int node = kFirstNode;
    for (; Valid(program, node) && program[node] != kProgramEnd && --budget >= 0;) {
        const int kind = program[node];
        int next = NextNode(program, node);
        if (kind == kAlternative) {
            if (!Valid(program, next) || program[next] != kAlternative) {
                node = OperandOf(node);
                continue;
            }
            last = node;
            next = ChoiceJoin(program, node);
        } else if (kind == kLoopEntry) {
            last = node;
            const int loop = CountedLoop(program, node);
            if (loop < 0) {
                return false;
            }
            next = NextNode(program, loop);
        } else if (!IsGroupClose(kind)) {
            last = node;
        }
        node = next;
    }
    return Valid(program, node) && program[node] == kProgramEnd && last >= 0 && program[last] == kLineEnd;
}

bool AddCharBytes(Program program, int node, const std::uint8_t* invertCase,
                  const std::array<bool, 256>& lineSeparator, std::array<std::uint8_t, 32>& bytes) {
    const auto add = [&bytes](int c) { AddChar(bytes.data(), static_cast<std::uint8_t>(c)); };
    const int operand = OperandOf(node);
    const auto operandFits = [&](int length) { return operand + length <= static_cast<int>(program.size()); };
    switch (program[node]) {
    case kAnyChar:
        bytes.fill(0xff);
        return true;
    case kAnyButLineBreak:
        for (int c = 0; c < 256; ++c) {
            if (!lineSeparator[c]) {
                add(c);
            }
        }
        return true;
    case kLiteral:
    case kLiteralNoCase: {
        const LiteralString text = LiteralOf(program, node, invertCase);
        if (text.empty()) {
            return false; // it matches only the text's end
        }
        add(text[0].c);
        add(text[0].other);
        return true;
    }
    case kDigit:
        for (int c = '0'; c <= '9'; ++c) {
            add(c);
        }
        return true;
    case kNonDigit:
        for (int c = 0; c < 256; ++c) {
            if (c < '0' || c > '9') {
                add(c);
            }
        }
        return true;
    case kSmallSet:
        for (int i = 0; i < kSmallSetSize && operandFits(kSmallSetSize); ++i) {
            add(program[operand + i]);
        }
        return operandFits(kSmallSetSize);
    case kSmallSetNot:
        for (int c = 0; c < 256 && operandFits(kSmallSetSize); ++c) {
            if (std::memchr(&program[operand], c, kSmallSetSize) == nullptr) {
                add(c);
            }
        }
        return operandFits(kSmallSetSize);
    case kFullSet:
        for (int i = 0; i < kFullSetSize && operandFits(kFullSetSize); ++i) {
            bytes[i] |= program[operand + i];
        }
        return operandFits(kFullSetSize);
    default:
        return false;
    }
}

namespace {

// `lineEnds`, when given, the characters a line's end may stand on, which it then asks for.
std::optional<std::array<std::uint8_t, 32>> BeginBytes(Program program, int node,
                                                       const std::uint8_t* invertCase,
                                                       const std::array<bool, 256>& lineSeparator,
                                                       const ByteSet* lineEnds, int& budget, int depth) {
    std::array<std::uint8_t, 32> bytes{};
    for (;;) {
        if (--budget < 0 || !Valid(program, node)) {
            return std::nullopt;
        }
        const int kind = program[node];
        const int next = NextNode(program, node);
        if (kind == kLineEnd && lineEnds != nullptr) {
            return *lineEnds;
        }
        if (PassesOn(kind)) {
            node = next; // what it asks of the text further restricts a way, never widens it
            continue;
        }
        if (kind == kAlternative) {
            if (!Valid(program, next) || program[next] != kAlternative) {
                node = OperandOf(node);
                continue;
            }
            if (depth == kMaxChoiceDepth) {
                return std::nullopt;
            }
            for (int branch = node; Valid(program, branch) && program[branch] == kAlternative;
                 branch = NextNode(program, branch)) {
                const auto part = BeginBytes(program, OperandOf(branch), invertCase, lineSeparator, lineEnds,
                                             budget, depth + 1);
                if (!part) {
                    return std::nullopt;
                }
                AddSet(bytes, *part);
            }
            return bytes;
        }
        if (kind == kLoopEntry || kind == kLoop || kind == kLoopLazy) {
            // A counted loop, entered or at the end of a round: another round, or what follows it
            // when it has gone round as often as it must.
            const int loop = kind == kLoopEntry ? CountedLoop(program, node) : node;
            if (loop < 0 || OperandOf(loop) + kLoopOperandSize > static_cast<int>(program.size()) ||
                depth == kMaxChoiceDepth) {
                return std::nullopt;
            }
            if (kind == kLoopEntry && LowCount(program, loop) >= 1) {
                node = LoopBody(program, loop);
                continue;
            }
            for (const int way : {LoopBody(program, loop), NextNode(program, loop)}) {
                const auto part =
                    BeginBytes(program, way, invertCase, lineSeparator, lineEnds, budget, depth + 1);
                if (!part) {
                    return std::nullopt;
                }
                AddSet(bytes, *part);
            }
            return bytes;
        }
        if (IsSimpleRepeat(kind)) {
            const auto counts = RepeatCounts(program, node);
            const bool once = counts && counts->low >= 1;
            node = RepeatOperand(program, node);
            if (!once || !Valid(program, node)) {
                return std::nullopt;
            }
        }
        if (!AddCharBytes(program, node, invertCase, lineSeparator, bytes)) {
            return std::nullopt;
        }
        return bytes;
    }
}

} // namespace

std::optional<std::array<std::uint8_t, 32>> BeginBytes(Program program, int node,
                                                       const std::uint8_t* invertCase,
                                                       const std::array<bool, 256>& lineSeparator) {
    int budget = kWalkBudget;
    return BeginBytes(program, node, invertCase, lineSeparator, nullptr, budget, 0);
}

std::optional<std::array<std::uint8_t, 32>> StandBytes(Program program, int node,
                                                       const std::uint8_t* invertCase,
                                                       const std::array<bool, 256>& lineSeparator,
                                                       const ByteSet& lineEnds) {
    int budget = kWalkBudget;
    return BeginBytes(program, node, invertCase, lineSeparator, &lineEnds, budget, 0);
}

namespace {

// Appends the lead sets from `node` on to `sets`, up to `most` of them; returns the node where they
// stop, -1 when what stops them is no node to go on from.
int AddLeadSets(Program program, int node, const std::uint8_t* invertCase,
                const std::array<bool, 256>& lineSeparator, std::size_t most, std::vector<ByteSet>& sets,
                int& budget) {
    for (; sets.size() < most && --budget >= 0 && Valid(program, node);) {
        const int kind = program[node];
        const int next = NextNode(program, node);
        if (PassesOn(kind)) {
            node = next;
            continue;
        }
        if (kind == kAlternative) {
            if (!Valid(program, next) || program[next] != kAlternative) {
                node = OperandOf(node);
                continue;
            }
            if (const auto bytes = regexpr::BeginBytes(program, node, invertCase, lineSeparator)) {
                sets.push_back(*bytes);
            }
            return -1;
        }
        if (kind == kLoopEntry) {
            // A counted loop whose rounds each take the same characters gives them once a round, as
            // often as it must go round.
            const int loop = CountedLoop(program, node);
            if (loop < 0) {
                return -1;
            }
            const std::int32_t low = LowCount(program, loop);
            if (low < 1) {
                return -1;
            }
            std::vector<ByteSet> round;
            const bool whole = AddLeadSets(program, LoopBody(program, loop), invertCase, lineSeparator,
                                           most - sets.size(), round, budget) == loop;
            for (std::int32_t i = 0; i < low && sets.size() < most; ++i) {
                const std::size_t room = std::min(round.size(), most - sets.size());
                sets.insert(sets.end(), round.begin(), round.begin() + static_cast<std::ptrdiff_t>(room));
                if (!whole) {
                    return -1;
                }
            }
            if (low != HighCount(program, loop)) {
                return -1;
            }
            node = NextNode(program, loop);
            continue;
        }
        if (kind == kLiteral || kind == kLiteralNoCase) {
            const LiteralString text = LiteralOf(program, node, invertCase);
            for (std::size_t i = 0; i < text.size() && sets.size() < most; ++i) {
                sets.push_back(SetOf(text[i]));
            }
            if (text.empty()) {
                return -1; // it matches only the text's end
            }
            node = next;
            continue;
        }
        ByteSet set{};
        if (IsSimpleRepeat(kind)) {
            const int operand = RepeatOperand(program, node);
            const auto counts = RepeatCounts(program, node);
            if (!counts || !Valid(program, operand) ||
                !AddCharBytes(program, operand, invertCase, lineSeparator, set)) {
                return -1;
            }
            for (std::int32_t i = 0; i < counts->low && sets.size() < most; ++i) {
                sets.push_back(set);
            }
            if (counts->low != counts->high) {
                return -1;
            }
            node = next;
            continue;
        }
        if (!AddCharBytes(program, node, invertCase, lineSeparator, set)) {
            return node;
        }
        sets.push_back(set);
        node = next;
    }
    return -1;
}

} // namespace

std::vector<ByteSet> LeadSets(Program program, int node, const std::uint8_t* invertCase,
                              const std::array<bool, 256>& lineSeparator, std::size_t most) {
    std::vector<ByteSet> sets;
    int budget = kWalkBudget;
    AddLeadSets(program, node, invertCase, lineSeparator, most, sets, budget);
    return sets;
}

std::array<std::uint8_t, 32> MatchableBytes(Program program, const std::uint8_t* invertCase,
                                            const std::array<bool, 256>& lineSeparator) {
    std::array<std::uint8_t, 32> bytes{};
    bool backRefNoCase = false;
    for (const int node : ReachableNodes(program)) {
        const int kind = program[node];
        if (kind == kLiteral || kind == kLiteralNoCase) {
            for (const LiteralChar& c : LiteralOf(program, node, invertCase)) {
                AddChar(bytes.data(), c.c);
                AddChar(bytes.data(), c.other);
            }
        } else if (kind == kBackRefNoCase) {
            backRefNoCase = true;
        } else {
            // A backreference has no character of its own: it matches what its group matched.
            AddCharBytes(program, node, invertCase, lineSeparator, bytes);
        }
    }
    // A case-insensitive backreference matches the other case of what its group matched, and another
    // one the other case of that.
    for (bool grew = backRefNoCase; grew;) {
        grew = false;
        for (int c = 0; c < 256; ++c) {
            const auto other = static_cast<std::uint8_t>(invertCase[c]);
            if (InSet(bytes.data(), static_cast<std::uint8_t>(c)) && !InSet(bytes.data(), other)) {
                AddChar(bytes.data(), other);
                grew = true;
            }
        }
    }
    return bytes;
}

} // namespace regexpr
