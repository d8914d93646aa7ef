// A loop of a group, as (\\\w+){2,}\. or (\w+\\){4} or (\w+\\)+, matched in one pass where no
// backtracking can change the outcome: each run of a class is followed only by characters outside it,
// and a round begins only with characters that what follows the loop cannot begin with (unless the
// count of rounds is fixed). Then the greedy way through, every run as long as it goes and every round
// taken that can be, is the match the interpreter would find, or there is none at that start.
#include <algorithm>

#include "regexpr/matcher.h"
#include "regexpr/program.h"

namespace regexpr {

namespace {

// The characters that the items from `i` on can begin with, and whether they can all match nothing.
ByteSet FirstOf(const std::vector<Matcher::LoopItem>& items, std::size_t i, bool* nullable = nullptr) {
    ByteSet first{};
    for (; i < items.size() && items[i].min == 0; ++i) {
        AddSet(first, items[i].chars);
    }
    if (i < items.size()) {
        AddSet(first, items[i].chars);
    }
    if (nullable != nullptr) {
        *nullable = i == items.size();
    }
    return first;
}

// Whether no run of `items` takes a character that can come right after it: what the items after
// it begin with, and `after` once those can all match nothing.
bool RunsKeepApart(const std::vector<Matcher::LoopItem>& items, const ByteSet& after) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].min == items[i].max) {
            continue;
        }
        bool nullable = false;
        ByteSet next = FirstOf(items, i + 1, &nullable);
        if (nullable) {
            AddSet(next, after);
        }
        if (!Disjoint(items[i].chars, next)) {
            return false;
        }
    }
    return true;
}

} // namespace

// Appends the items from `node` on: characters of a set each, and greedy repeats of a class, through
// single branches and empty nodes. Returns the first node that is none of these, or -1 where the
// program is broken or its items too many.
int Matcher::AddLoopItems(int node, std::vector<LoopItem>& items) const {
    constexpr std::size_t kMostItems = 64;
    for (int budget = static_cast<int>(program.size()); budget > 0; --budget) {
        if (!IsNode(node) || items.size() > kMostItems) {
            return -1;
        }
        const int kind = program[node];
        const int next = NextNode(program, node);
        std::vector<ByteSet> chars;
        if (const int through = PassThrough(node); through >= 0) {
            node = through;
        } else if (AddFixedChars(node, chars)) {
            for (const ByteSet& set : chars) {
                items.push_back({set, 1, 1});
            }
            node = next;
        } else if (IsSimpleRepeat(kind) && repeats[node].greedy &&
                   OperandTakes(repeats[node].operand, 0).has_value()) {
            items.push_back({OperandSet(repeats[node].operand), repeats[node].min, repeats[node].max});
            node = next;
        } else {
            return node;
        }
    }
    return -1;
}

// The loop of a group at `node` whose body is items: a greedy counted loop, x+ or x* over the
// group, with the bounds of its rounds and the node that follows it. -1 for anything else.
int Matcher::AddLoopOfGroup(int node, std::vector<LoopItem>& body, int& group, std::int32_t& low,
                            std::int32_t& high) const {
    // The group's items from its opening on, to its closing: the node after that, or -1.
    const auto groupItems = [&](int open) {
        if (!IsGroupOpen(KindAt(open))) {
            return -1;
        }
        group = program[open] - kGroupOpen;
        const int close = AddLoopItems(NextNode(program, open), body);
        return close >= 0 && KindAt(close) == kGroupClose + group ? NextNode(program, close) : -1;
    };
    // The last of two choices, which takes nothing: the node after it, or -1.
    const auto noRound = [&](int choice) {
        const int empty = OperandOf(choice);
        return KindAt(choice) == kAlternative && NextNode(program, choice) == empty && KindAt(empty) == kEmpty
                   ? NextNode(program, empty)
                   : -1;
    };
    if (KindAt(node) == kLoopEntry) {
        const int loop = CountedLoop(program, node);
        if (loop < 0 || program[loop] != kLoop || groupItems(LoopBody(program, loop)) != loop) {
            return -1; // broken, lazy, or more than the group in its body
        }
        low = LowCount(program, loop);
        high = HighCount(program, loop);
        return NextNode(program, loop);
    }
    if (IsGroupOpen(KindAt(node))) { // x+: the group, then a choice of going back to it and not
        const int again = groupItems(node);
        const int back = OperandOf(again);
        if (KindAt(again) != kAlternative || KindAt(back) != kLoopBack || NextNode(program, back) != node) {
            return -1;
        }
        low = 1;
        high = kUnboundedRepeat;
        return noRound(NextNode(program, again));
    }
    if (KindAt(node) == kAlternative) { // x*: a choice of the group, which goes back to it, and not
        const int back = groupItems(OperandOf(node));
        if (KindAt(back) != kLoopBack || NextNode(program, back) != node) {
            return -1;
        }
        low = 0;
        high = kUnboundedRepeat;
        return noRound(NextNode(program, node));
    }
    return -1;
}

void Matcher::AnalyseLoopItems() {
    loopHead.clear();
    loopBody.clear();
    loopTail.clear();
    loopGroup = -1;
    if (tables.invertCase == nullptr || !OneBranchAtTop()) {
        return;
    }
    std::vector<LoopItem> head, body, tail;
    int group = -1;
    std::int32_t low = 0;
    std::int32_t high = 0;
    const int entry = AddLoopItems(OperandOf(kFirstNode), head);
    const int after = entry < 0 ? -1 : AddLoopOfGroup(entry, body, group, low, high);
    const int last = after < 0 ? -1 : AddLoopItems(after, tail);
    if (last < 0 || program[last] != kProgramEnd) {
        return;
    }
    bool bodyNullable = false;
    const ByteSet bodyFirst = FirstOf(body, 0, &bodyNullable);
    const ByteSet tailFirst = FirstOf(tail, 0);
    ByteSet roundOrNot = bodyFirst;
    AddSet(roundOrNot, tailFirst);
    // A count of rounds that is fixed leaves no choice between another round and what follows.
    if (bodyNullable || (low != high && !Disjoint(bodyFirst, tailFirst)) ||
        !RunsKeepApart(head, low > 0 ? bodyFirst : roundOrNot) || !RunsKeepApart(body, roundOrNot) ||
        !RunsKeepApart(tail, {})) {
        return;
    }
    loopHead = std::move(head);
    loopBody = std::move(body);
    loopTail = std::move(tail);
    loopGroup = group;
    loopLow = low;
    loopHigh = high;
}

bool Matcher::LoopItemsMatchAt(const std::vector<LoopItem>& items, const std::uint8_t*& p) const {
    const std::uint8_t* q = p;
    for (const LoopItem& item : items) {
        const std::uint8_t* const stop = q + std::min<std::ptrdiff_t>(item.max, end - q);
        const std::uint8_t* const least = q + item.min;
        while (q < stop && InSet(item.chars.data(), *q)) {
            ++q;
        }
        if (q < least) {
            return false;
        }
    }
    p = q;
    return true;
}

SearchEnd Matcher::MatchLoopAt(const std::uint8_t* p) {
    SettleEnd();
    if (--pollCountdown <= 0 && PollAbort()) {
        return Stopped();
    }
    ClearAttemptGroups();
    const std::uint8_t* q = p;
    if (!LoopItemsMatchAt(loopHead, q)) {
        return SearchEnd::kNoMatch;
    }
    const std::uint8_t* roundStart = nullptr;
    std::int32_t rounds = 0;
    for (const std::uint8_t* r = q; rounds < loopHigh && LoopItemsMatchAt(loopBody, r); ++rounds) {
        roundStart = q;
        q = r;
    }
    const std::uint8_t* const roundEnd = q;
    if (rounds < loopLow || !LoopItemsMatchAt(loopTail, q)) {
        return SearchEnd::kNoMatch;
    }
    if (roundStart != nullptr) { // the group holds the last round
        groupStart[static_cast<std::size_t>(loopGroup)] = roundStart;
        groupEnd[static_cast<std::size_t>(loopGroup)] = roundEnd;
    }
    groupStart[0] = p;
    groupEnd[0] = q;
    return SearchEnd::kMatch;
}

} // namespace regexpr
