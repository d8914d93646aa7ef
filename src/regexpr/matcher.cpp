#include "regexpr/matcher.h"

#include "regexpr/literals.h"
#include "regexpr/regerror.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <string_view>

namespace regexpr {
namespace {

enum FrameKind : std::uint8_t {
    kRestoreStart,  // node: group number, pos: its old start
    kRestoreEnd,    // node: group number, pos: its old end
    kNextBranch,    // node: the Alternative to try next, pos: where the choice began
    kRepeatGreedy,  // node: the repeat, pos: its start, k: the count tried last
    kRepeatLazy,    // the same, and count: the most steps available
    kLoopEntryUndo, // k: the counter the new loop's slot held before
    kLoopBodyMin,   // node: the Loop, pos: where the iteration began
    kLoopBodyMore,  // the same, for an iteration above the minimum of a greedy loop
    kLoopBodyLazy,  // the same, for an iteration of a lazy loop after its follower failed
    kLoopLeave,     // node: the Loop, pos: where its follower was tried
};

enum Shape : std::uint8_t {
    kNoShape,
    kShapeStar, // at the first Alternative of "x*" over AnyButLineBreak
    kShapePlus, // at the AnyButLineBreak of "x+"
    kShapeLoop, // at the LoopEntry of a counted loop over AnyButLineBreak
};

// The most items after the lead repeat that are checked before an attempt.
constexpr std::size_t kMaxRunEnd = 16;

// How much rarer, on the scale of CharFrequency, a way of finding a match's start that takes more scans
// must be than the one it would stand in for.
constexpr int kFarRarer = 50;

// The most nodes a walk over the first items of a program looks at.
constexpr int kMostWalked = 64;

bool IsDigitChar(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

} // namespace

void Matcher::Load(Program program, const StartInfo& start) {
    this->program = program;
    startInfo = start;
    clearAllGroups = true;
    groupsUsed = 1;
    for (const int node : ReachableNodes(program)) {
        // Only nodes a run can reach: bytes of a set's bitmap that look like a group's opening would
        // have every attempt clear groups that the program never sets.
        if (IsGroupOpen(program[node])) {
            groupsUsed = std::max(groupsUsed, program[node] - kGroupOpen + 1);
        }
    }
    firstCharCount = 0;
    pairScans[0] = pairScans[1] = {};
    ForgetText();
    for (int c = 0; c < 256; ++c) {
        if (InSet(startInfo.firstChars.data(), static_cast<std::uint8_t>(c))) {
            firstCharPair[firstCharCount % 2] = static_cast<std::uint8_t>(c);
            ++firstCharCount;
            firstCharOnly = c;
        }
    }
    AnalyseShapes();
    AnalyseOptionalLead();
}

void Matcher::AnalyseShapes() {
    firstRunNode = kFirstNode;
    if (program.size() > static_cast<std::size_t>(OperandOf(kFirstNode)) &&
        program[kFirstNode] == kAlternative) {
        const int next = NextNode(program, kFirstNode);
        if (next < 0 || program[next] != kAlternative) {
            firstRunNode = OperandOf(kFirstNode);
        }
    }
    shapes.assign(program.size(), kNoShape);
    repeats.assign(program.size(), Repeat{});
    literalLengths.assign(program.size(), 0);
    prefixNodes.clear();
    plainLiteral = -1;
    plainRun = -1;
    const int size = static_cast<int>(program.size());
    const auto kindAt = [this, size](int node) { return node >= 0 && node < size ? program[node] : -1; };
    const auto next = [this, size](int node) {
        return node >= 0 && node + kNodeSize <= size ? NextNode(program, node) : -1;
    };
    for (const int node : ReachableNodes(program)) {
        const int kind = program[node];
        const int x = OperandOf(node);
        if (kind == kAlternative && kindAt(x) == kAnyButLineBreak && kindAt(next(x)) == kLoopBack &&
            next(next(x)) == node) {
            const int second = next(node);
            if (kindAt(second) == kAlternative && kindAt(OperandOf(second)) == kEmpty &&
                next(second) == OperandOf(second)) {
                shapes[node] = kShapeStar;
            }
        }
        if (kind == kAnyButLineBreak) {
            const int first = next(node);
            const int second = next(first);
            if (kindAt(first) == kAlternative && kindAt(OperandOf(first)) == kLoopBack &&
                next(OperandOf(first)) == node && kindAt(second) == kAlternative &&
                kindAt(OperandOf(second)) == kEmpty && next(second) == OperandOf(second)) {
                shapes[node] = kShapePlus;
            }
        }
        if (kind == kLoopEntry && kindAt(x) == kAnyButLineBreak) {
            const int loop = next(node);
            if ((kindAt(loop) == kLoop || kindAt(loop) == kLoopLazy) && next(x) == loop &&
                OperandOf(loop) + kLoopOperandSize <= size && LoopBody(program, loop) == x) {
                shapes[node] = kShapeLoop;
            }
        }
        if (shapes[node] != kNoShape) {
            repeats[node] = BuildRepeat(node, true);
        }
        if (kind == kLiteral || kind == kLiteralNoCase) {
            // A run reads the operand up to its first zero byte; the terminating zero is in the program.
            const auto* operand = reinterpret_cast<const char*>(&program[x]);
            literalLengths[node] =
                static_cast<std::int32_t>(strnlen(operand, static_cast<std::size_t>(size - x)));
        } else if (IsSimpleRepeat(kind)) {
            repeats[node] = BuildRepeat(node, false);
        }
    }
    // Past empty nodes, which the rest of a program with an optional first item begins with.
    int literal = OperandOf(kFirstNode);
    while (kindAt(literal) == kEmpty) {
        literal = next(literal);
    }
    if (literal >= 0 && program.size() > static_cast<std::size_t>(literal) &&
        program[kFirstNode] == kAlternative && kindAt(next(kFirstNode)) == kProgramEnd &&
        program[literal] == kLiteral && next(literal) == next(kFirstNode) &&
        program[OperandOf(literal)] != 0) {
        plainLiteral = OperandOf(literal);
        plainLiteralLength = std::strlen(reinterpret_cast<const char*>(&program[plainLiteral]));
    }
    // The one node of the one branch a repeat of a class, as \d{4} or [a-z]+ alone.
    if (program.size() > static_cast<std::size_t>(literal) && program[kFirstNode] == kAlternative &&
        kindAt(next(kFirstNode)) == kProgramEnd && IsSimpleRepeat(program[literal]) &&
        next(literal) == next(kFirstNode) && repeats[literal].min >= 1 &&
        OperandTakes(repeats[literal].operand, 0).has_value()) {
        plainRun = literal;
    }
    // One branch at the top: its leading literals start every match. An empty literal (from "\x00")
    // matches only at the text's end, so the prefix ends before it.
    if (program.size() > static_cast<std::size_t>(literal) && program[kFirstNode] == kAlternative &&
        kindAt(next(kFirstNode)) != kAlternative) {
        for (int lead = literal;
             (kindAt(lead) == kLiteral || kindAt(lead) == kLiteralNoCase) && program[OperandOf(lead)] != 0;
             lead = next(lead)) {
            prefixNodes.push_back(lead);
        }
    }
    literalsStale = true;
}

void Matcher::AnalyseRepeats(const LiteralString& prefix) {
    leadRepeat = -1;
    runRepeat = -1;
    memoAllowed = false;
    runItems.clear();
    runChars = {};
    for (const LiteralChar c : prefix) {
        runItems.push_back(SetOf(c));
    }
    lineStartItem = -1;
    runOffset = prefixLength;
    const std::vector<int> reachable = ReachableNodes(program);
    const auto count = [&](auto test) { return std::count_if(reachable.begin(), reachable.end(), test); };
    if (count([this](int node) { return program[node] == kBackRef || program[node] == kBackRefNoCase; }) >
        0) {
        return;
    }
    // Without counted loops other than the shapes run as simple repeats, whether the rest of the
    // program matches from a node and a position is all that a try there can find out: a loop of
    // x* or x+ goes back to its operand and keeps no count, nor can its operand match nothing.
    const auto loopEntries = count([this](int node) { return program[node] == kLoopEntry; });
    const auto shapedLoops = count([this](int node) { return shapes[node] == kShapeLoop; });
    memoAllowed = loopEntries == shapedLoops && program.size() < (std::size_t{1} << kMemoNodeBits);
    // Past the prefix, the opening of groups and the head of a single branch, to the first node that
    // matches. Items of one character each, a fixed count of one, or the start of a line may come
    // before the run repeat, which then starts at a known offset but is no lead repeat: a later start
    // inside its run would not have those items there.
    int node = FirstMatchingNode(prefixNodes.empty() ? kFirstNode : afterPrefix);
    for (; node >= 0; node = FirstMatchingNode(NextNode(program, node))) {
        if (program[node] == kLineStart && lineStartItem < 0) {
            lineStartItem = static_cast<std::ptrdiff_t>(runItems.size());
        } else if (!AddFixedChars(node, runItems)) {
            break;
        }
    }
    runOffset = static_cast<std::ptrdiff_t>(runItems.size());
    if (node >= 0 && (shapes[node] != kNoShape || IsSimpleRepeat(program[node]))) {
        runRepeat = node;
        leadRepeat = repeats[node].max >= kMaxBraces && !ItemsBeforeRun() ? node : -1;
        const int operand = DescribeRepeat(node).operand;
        if (OperandTakes(operand, 0).has_value()) {
            runChars = OperandSet(operand);
        }
    }
    runCharsScan.Assign(runChars.data());
}

// Where the follower of each greedy repeat can match, by the character there (see StandBytes):
// through choices and counted loops, with a line's end on a line separator or a paired separator's
// head. A follower that may match with no character ahead of it is never known. Whether a repeat of
// a class takes none of those characters.
void Matcher::AnalyseOnlyWays() {
    ByteSet lineEnds{};
    for (int c = 0; c < 256; ++c) {
        if (tables.breakStart[c]) {
            AddChar(lineEnds.data(), static_cast<std::uint8_t>(c));
        }
    }
    for (Repeat& repeat : repeats) {
        repeat.standsKnown = false;
        repeat.onlyWay = false;
        if (repeat.operand < 0 || !repeat.greedy || repeat.follower < 0) {
            continue;
        }
        const auto stands =
            StandBytes(program, repeat.follower, tables.invertCase, tables.lineSeparator, lineEnds);
        if (!stands) {
            continue;
        }
        repeat.standsKnown = true;
        repeat.stands = *stands;
        repeat.onlyWay =
            OperandTakes(repeat.operand, 0).has_value() && Disjoint(OperandSet(repeat.operand), *stands);
    }
}

// The strings the fast searches look for: a prefix of plain literals, else the leading literals of
// every way a match can begin, else the rarest literals that every match contains; and the line
// break characters that no match can contain, so that such literals need only be looked for in the
// line where a match would begin.
void Matcher::AnalyseLiterals() {
    afterPrefix = prefixNodes.empty() ? -1 : NextNode(program, prefixNodes.back());
    LiteralString prefix;
    for (const int node : prefixNodes) {
        const LiteralString part = LiteralOf(program, node, tables.invertCase);
        prefix.insert(prefix.end(), part.begin(), part.end());
    }
    if (prefix.empty() || afterPrefix < 0) {
        // Only empty literals, nothing to scan for; or a broken link the plain run reports.
        prefixNodes.clear();
        prefix.clear();
    }
    prefixLength = static_cast<std::ptrdiff_t>(prefix.size());
    firstScan.Assign(startInfo.firstChars.data());
    if (plainRun >= 0) {
        plainRunScan.Assign(OperandSet(DescribeRepeat(plainRun).operand).data());
    }
    const int first = FirstMatchingNode(kFirstNode);
    beginsAtLineStart = first >= 0 && program[first] == kLineStart;
    if (beginsAtLineStart) {
        ByteSet separators{};
        for (int c = 0; c < 256; ++c) {
            if (tables.lineSeparator[c]) {
                AddChar(separators.data(), static_cast<std::uint8_t>(c));
            }
        }
        separatorScan.Assign(separators.data());
    }
    AnalyseRepeats(prefix);
    AnalyseOnlyWays();
    // Of several leading strings, each is checked with the characters its way has next, before an
    // attempt: many a candidate of a choice of words fails right after the word.
    constexpr std::size_t kMaxAfter = 8;
    std::vector<LiteralString> leading;
    std::vector<std::vector<ByteSet>> after;
    for (LeadingString& way : LeadingStrings(program, kFirstNode, tables.invertCase)) {
        leading.push_back(std::move(way.text));
        after.push_back(
            way.next < 0 ? std::vector<ByteSet>{}
                         : LeadSets(program, way.next, tables.invertCase, tables.lineSeparator, kMaxAfter));
    }
    if (!prefixNodes.empty() && leading.size() <= 1) {
        leading = {prefix};
    }
    leadScan.Assign(leading, leading.size() > 1 ? after : std::vector<std::vector<ByteSet>>{});
    std::vector<ByteSet> sets =
        LeadSets(program, kFirstNode, tables.invertCase, tables.lineSeparator, TSetSequenceScan::kMaxSets);
    const std::size_t known = leading.empty() ? 1 : leading.size() == 1 ? leading[0].size() : SIZE_MAX;
    if (sets.size() <= known) {
        sets.clear();
    }
    leadSetScan.Assign(sets);
    const auto matchable = MatchableBytes(program, tables.invertCase, tables.lineSeparator);
    const bool crMatchable = InSet(matchable.data(), '\r');
    const bool lfMatchable = InSet(matchable.data(), '\n');
    lineBound = !crMatchable || !lfMatchable;
    breaks[0] = crMatchable ? '\n' : '\r';
    breaks[1] = lfMatchable ? '\r' : '\n';
    AnalyseLoopItems();
    AnalyseLineFilter();
    int leadFrequency = leading.empty() ? INT_MAX : LiteralSetFrequency(leading);
    if (!leadSetScan.Empty()) {
        leadFrequency = std::min(leadFrequency, SetSequenceFrequency(sets));
    }
    followerScan.Assign(LeadRunFollower());
    AnalyseRunEnd();
    followerStandsKnown = runRepeat >= 0 && runEndItems.empty() && DescribeRepeat(runRepeat).standsKnown &&
                          DescribeRepeat(runRepeat).greedy &&
                          OperandTakes(DescribeRepeat(runRepeat).operand, 0).has_value();
    AnalyseRunEndScan(leadFrequency);
    AnalyseRunBack(leadFrequency);
    // Only a literal rarer than a line is worth finding first; when matches begin with literals or
    // known characters, only one far rarer than those, in the line that holds it.
    constexpr int kRareEnough = 100;
    std::vector<LiteralString> required = RequiredLiterals(program, tables.invertCase);
    const int frequency = required.empty() ? INT_MAX : LiteralSetFrequency(required);
    const bool worth = frequency <= kRareEnough &&
                       (leadFrequency == INT_MAX || (lineBound && frequency + kFarRarer <= leadFrequency));
    requiredScan.Assign(worth ? required : std::vector<LiteralString>{});
    // Whether one is left at all, when that is rarer than what the matches begin with.
    const bool present = !worth && frequency <= kRareEnough && frequency < leadFrequency;
    presenceScan.Assign(present ? required : std::vector<LiteralString>{});
    presence = {};
    AnalyseBranches();
    constexpr int kFixedWaysBudget = 256; // nodes walked, over all the ways
    int budget = kFixedWaysBudget;
    fixedWays.clear();
    if (!AddFixedWays(kFirstNode, {}, budget)) {
        fixedWays.clear();
    }
    AnalyseWayScans(leadFrequency);
    // The rest's own scans find a match's start better than its first characters do, and than a
    // required literal does, after which attempts would be made at each of them in its line.
    byRest = rest && leadScan.Empty() && followerScan.Empty() && leadSetScan.Empty() && runEndScan.Empty() &&
             wayScans.empty() && runBack == RunBack::kNone;
    sampleRunEnd = !runEndSpare.Empty() && !leadSetScan.Empty() && runBack == RunBack::kNone &&
                   wayScans.empty() && !byRest;
    runEndByText = false;
    AnalyseLeastCount();
    AnalyseMostCount();
    AnalyseRoundNeeds();
}

// A match whose first repeat's run the items of AnalyseRunEnd end can be found by those items, with
// a character of the run before them when the repeat takes at least one, when they are rarer than
// the way a match begins: the run goes back from them to its start, or as far as the repeat's bound
// allows, where the match begins before the items. Only when the items before the repeat end the run
// on the left (see RunBackOffset), so that the run's start is known.
void Matcher::AnalyseRunEndScan(int& leadFrequency) {
    runEndScan.Assign({});
    runEndSpare.Assign({});
    if (runEndItems.empty() || !followerScan.Empty()) {
        return;
    }
    const Repeat& repeat = DescribeRepeat(runRepeat);
    runBackOffset = RunBackOffset();
    if (runBackOffset < 0) {
        return;
    }
    std::vector<ByteSet> sets;
    runEndLead = repeat.min >= 1 || runBackOffset < runOffset ? 1 : 0;
    if (runEndLead == 1) {
        sets.push_back(OperandSet(repeat.operand));
    }
    sets.insert(sets.end(), runEndItems.begin(),
                runEndItems.begin() + static_cast<std::ptrdiff_t>(std::min(
                                          runEndItems.size(), TSetSequenceScan::kMaxSets - sets.size())));
    const int frequency = SetSequenceFrequency(sets);
    if (frequency < leadFrequency) {
        runEndScan.Assign(sets);
        leadFrequency = runEndScan.Empty() ? leadFrequency : frequency;
    } else {
        runEndSpare.Assign(sets);
    }
}

// Whether the items that end the run find fewer places than the sets of a match's first characters
// in the text's first stretch, when the frequencies of single characters chose the sets: they misjudge
// pairs, as a letter after a backslash (every name has one) against a digit after a letter.
void Matcher::ChooseRunEndScan() {
    constexpr std::ptrdiff_t kSample = std::ptrdiff_t{64} << 10;
    const std::uint8_t* const stop = begin + std::min(end - begin, kSample);
    const auto places = [&](const TSetSequenceScan& scan) {
        std::ptrdiff_t count = 0;
        for (const std::uint8_t* at = begin; (at = scan.Find(at, stop)) != nullptr; ++at) {
            ++count;
        }
        return count;
    };
    runEndByText = 2 * places(runEndSpare) < places(leadSetScan);
}

// A run repeat without bound over a class, after items that end its run on the left (see
// RunBackOffset), and followed by a line's end or by literals rarer than the way a match begins, as in
// \\[^\\]*$, \\[^\\]+\.mp3, [^\\]+\.(mp3|avi)$ or ^[A-Z]:\\[^\\]+$: a match's run reaches from right
// after the items to where the follower can stand, so it is found back from there. A line's end is worth it
// when a match may begin about once a line or more, as a line's end found back costs less than an attempt. A
// literal follower that the run does not take is left to followerScan.
void Matcher::AnalyseRunBack(int leadFrequency) {
    runBack = RunBack::kNone;
    runBackScan.Assign({});
    if (runRepeat < 0 || !followerScan.Empty() || !runEndScan.Empty()) {
        return;
    }
    const Repeat& repeat = DescribeRepeat(runRepeat);
    if (repeat.max < kMaxBraces || !OperandTakes(repeat.operand, 0).has_value()) {
        return;
    }
    runBackOffset = RunBackOffset();
    if (runBackOffset < 0) {
        return;
    }
    std::uint8_t first = 0;
    std::uint8_t other = 0;
    if (LineEndChars(repeat.follower, first, other)) {
        constexpr int kAboutOnceALine = 120; // as often as a middling letter, a digit, a separator
        if (leadFrequency >= kAboutOnceALine) {
            runBack = RunBack::kLineEnd;
        }
        return;
    }
    const std::vector<LiteralString> followers = LeadingLiterals(program, repeat.follower, tables.invertCase);
    if (!followers.empty() && LiteralSetFrequency(followers) < leadFrequency) {
        runBackScan.Assign(followers);
        runBack = RunBack::kFollower;
    }
}

// Where, counted from a match's start, a run of runChars that reaches the run repeat must begin, when the
// items before the repeat fix that: right after the last item that takes none of the run's characters, when
// every item after it takes only those (as [A-Z] before [a-z]+ under i), or at the match's start when there
// are no items or every item takes just the run's characters (as [A-Z][a-z]+ under i): a start inside the
// run would have its items stand at the run's start as well. -1 otherwise; a line's start alone stops
// nothing: a match may begin at any line's start inside the run.
std::ptrdiff_t Matcher::RunBackOffset() const {
    bool allRunChars = true;
    for (auto i = static_cast<std::ptrdiff_t>(runItems.size()) - 1; i >= 0; --i) {
        const ByteSet& item = runItems[static_cast<std::size_t>(i)];
        if (Disjoint(item, runChars)) {
            return i + 1;
        }
        if (!Within(item, runChars)) {
            return -1;
        }
        allRunChars = allRunChars && Within(runChars, item);
    }
    return allRunChars && lineStartItem < 0 ? 0 : -1;
}

// The first node from `node` on that matches something, past the head of a single branch, the
// opening of groups and the entry of a counted loop that runs at least once; -1 past the program's end.
int Matcher::FirstMatchingNode(int node) const {
    const int size = static_cast<int>(program.size());
    while (node >= kFirstNode && node + kNodeSize <= size) {
        const int next = NextNode(program, node);
        if (program[node] == kAlternative && (next < 0 || program[next] != kAlternative)) {
            node = OperandOf(node);
        } else if (IsGroupOpen(program[node]) || program[node] == kEmpty) {
            node = next;
        } else if (const int loop = program[node] == kLoopEntry && shapes[node] == kNoShape
                                        ? CountedLoop(program, node)
                                        : -1;
                   loop >= 0 && LowCount(program, loop) >= 1) {
            node = LoopBody(program, loop); // its first round must match
        } else {
            return node;
        }
    }
    return -1;
}

// The first place from `p` on where a line starts and a match's first character stands, for a
// program whose matches begin at the start of a line: the character after a line separator.
const std::uint8_t* Matcher::NextLineStart(const std::uint8_t* p) const {
    while (p < end) {
        if (LineStartAt(p) && InSet(startInfo.firstChars.data(), *p)) {
            return p;
        }
        const std::uint8_t* const separator = separatorScan.Find(p, end);
        if (separator == nullptr) {
            return nullptr;
        }
        p = separator + 1;
    }
    return nullptr;
}

void Matcher::AnalyseBranches() {
    branchBytes.assign(program.size(), -1);
    branchSets.clear();
    for (const int node : ReachableNodes(program)) {
        if (program[node] != kAlternative) {
            continue;
        }
        const auto bytes = BeginBytes(program, OperandOf(node), tables.invertCase, tables.lineSeparator);
        if (bytes && std::any_of(bytes->begin(), bytes->end(), [](std::uint8_t b) { return b != 0xff; })) {
            branchBytes[static_cast<std::size_t>(node)] = static_cast<std::int32_t>(branchSets.size());
            branchSets.push_back(*bytes);
        }
    }
}

int Matcher::BranchFrom(int branch, const std::uint8_t* p) const {
    if (!fastPaths || p >= end) {
        return branch;
    }
    for (;;) {
        const std::int32_t set = branchBytes[static_cast<std::size_t>(branch)];
        if (set < 0 || InSet(branchSets[static_cast<std::size_t>(set)].data(), *p)) {
            return branch;
        }
        const int next = NextNode(program, branch);
        if (next < 0 || program[next] != kAlternative) {
            return -1;
        }
        branch = next;
    }
}

Matcher::Step Matcher::EnterBranch(int branch, int& node, const std::uint8_t* p) {
    branch = BranchFrom(branch, p);
    if (branch < 0) {
        return Step::kFail;
    }
    const int next = NextNode(program, branch);
    const int later = next >= 0 && program[next] == kAlternative ? BranchFrom(next, p) : -1;
    if (later >= 0 && !Push(kNextBranch, later, p)) {
        return Step::kExhausted;
    }
    node = OperandOf(branch);
    return Step::kGo;
}

// When every match begins with a repeat without upper bound of a node that takes single characters,
// followed by literals whose first character that node does not take, the repeat's run ends right
// before them in every match: the literals, to find first. Nothing otherwise.
std::vector<LiteralString> Matcher::LeadRunFollower() const {
    if (leadRepeat < 0 || !prefixNodes.empty() || !leadScan.Empty()) {
        return {};
    }
    const Repeat& repeat = DescribeRepeat(leadRepeat);
    std::uint8_t first = 0;
    std::uint8_t other = 0;
    if (!FollowUpChars(repeat.follower, first, other) || OperandTakes(repeat.operand, first) != false ||
        OperandTakes(repeat.operand, other) != false) {
        return {};
    }
    return LeadingLiterals(program, repeat.follower, tables.invertCase);
}

// Whether the node at `operand` matches the character `c`, for the kinds where that depends on the
// character alone; nothing for the others.
std::optional<bool> Matcher::OperandTakes(int operand, std::uint8_t c) const {
    const std::uint8_t* op = program.data() + OperandOf(operand);
    switch (program[operand]) {
    case kDigit:
        return IsDigitChar(c);
    case kNonDigit:
        return !IsDigitChar(c);
    case kSmallSet:
        return c == op[0] || c == op[1] || c == op[2];
    case kSmallSetNot:
        return c != op[0] && c != op[1] && c != op[2];
    case kFullSet:
        return InSet(op, c);
    default:
        return std::nullopt;
    }
}

// The characters that the node at `operand` matches, for the kinds that OperandTakes tells.
ByteSet Matcher::OperandSet(int operand) const {
    ByteSet set{};
    AddCharBytes(program, operand, tables.invertCase, tables.lineSeparator, set);
    return set;
}

// The bytes the program's literals compare, each as it is written.
ByteSet Matcher::LiteralBytes() const {
    ByteSet bytes{};
    for (const int node : ReachableNodes(program)) {
        if (program[node] == kLiteral || program[node] == kLiteralNoCase) {
            for (const LiteralChar& c : LiteralOf(program, node, tables.invertCase)) {
                AddChar(bytes.data(), c.c);
            }
        }
    }
    return bytes;
}

// The byte of the program's literals that every match holds most often, when that is at least twice
// and a match lies in a line: the rest of a line that holds it fewer times cannot hold a match. Not
// when matches are of fixed ways, each tried at once for less than the count would cost.
void Matcher::AnalyseLeastCount() {
    countByte = -1;
    countLeast = 0;
    if (!lineBound || !fixedWays.empty()) {
        return;
    }
    const ByteSet bytes = LiteralBytes();
    for (int c = 0; c < 256; ++c) {
        if (!InSet(bytes.data(), static_cast<std::uint8_t>(c))) {
            continue;
        }
        const std::int32_t least =
            LeastCount(program, static_cast<std::uint8_t>(c), tables.invertCase, tables.lineSeparator);
        if (least >= 2 && least > countLeast) {
            countByte = c;
            countLeast = least;
        }
    }
}

// The byte of the program's literals that the text holds most often of those a match can hold only a
// few times, for the required strings to bound where a match before them can start.
void Matcher::AnalyseMostCount() {
    mostByte = -1;
    mostCount = 0;
    // A run found back from a line's end already starts where few of the byte are left.
    countToLineEnd = tables.breakStarts[0] >= 0 && runBack != RunBack::kLineEnd && EndsAtLineEnd(program);
    if (requiredScan.Empty() && !countToLineEnd) {
        return;
    }
    constexpr std::int32_t kFewEnough = 8;
    const ByteSet bytes = LiteralBytes();
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (!InSet(bytes.data(), byte)) {
            continue;
        }
        const std::int32_t most = MostCount(program, byte, tables.invertCase, tables.lineSeparator);
        if (most <= kFewEnough &&
            (mostByte < 0 || CharFrequency(byte) > CharFrequency(static_cast<std::uint8_t>(mostByte)))) {
            mostByte = c;
            mostCount = most;
        }
    }
}

// For each counted loop that must go round, the byte of the program's literals that its rounds and
// what follows it hold the most of, when a round may hold it more often than it must: a greedy round
// gives back to each place it may end at, and one that must still be made needs that many more in
// the rest of the line. (.*\\){3} went round from every backslash of a line, and then again from
// each earlier one. Not for a round with a lazy repeat, which ends at its first chance and seldom
// comes back.
void Matcher::AnalyseRoundNeeds() {
    roundNeeds.clear();
    tailKept = 0;
    if (!lineBound) {
        return;
    }
    const ByteSet bytes = LiteralBytes();
    const std::vector<int> nodes = ReachableNodes(program);
    const auto lazy = [this](int node) {
        const int kind = program[node];
        return kind == kSimpleStarLazy || kind == kSimplePlusLazy || kind == kSimpleBracesLazy ||
               kind == kLoopLazy;
    };
    for (const int loop : nodes) {
        if ((program[loop] != kLoop && program[loop] != kLoopLazy) || LowCount(program, loop) < 1 ||
            NextNode(program, loop) < 0) {
            continue;
        }
        const int body = LoopBody(program, loop);
        // A round's nodes stand between its first one and the loop.
        if (std::any_of(nodes.begin(), nodes.end(),
                        [&](int node) { return node >= body && node < loop && lazy(node); })) {
            continue;
        }
        RoundNeed best;
        for (int c = 0; c < 256; ++c) {
            const auto byte = static_cast<std::uint8_t>(c);
            if (!InSet(bytes.data(), byte)) {
                continue;
            }
            const RoundNeed need{
                c, LeastCountAlong(program, body, loop, byte, tables.invertCase, tables.lineSeparator),
                LeastCountAlong(program, NextNode(program, loop), -1, byte, tables.invertCase,
                                tables.lineSeparator)};
            const bool varies = MostCountAlong(program, body, loop, byte, tables.invertCase,
                                               tables.lineSeparator) > need.perRound;
            if (need.perRound > 0 && varies &&
                (best.byte < 0 || need.perRound + need.after > best.perRound + best.after)) {
                best = need;
            }
        }
        if (best.byte >= 0) {
            roundNeeds.resize(program.size());
            roundNeeds[static_cast<std::size_t>(loop)] = best;
            const std::int64_t most = std::int64_t{LowCount(program, loop)} * best.perRound + best.after;
            tailKept = static_cast<int>(std::clamp<std::int64_t>(most, tailKept, LineTail::kKept));
        }
    }
}

// Whether the rest of the line from `p` holds too few of a byte for `rounds` more rounds of `loop`
// and what follows it. The last few of the byte in the line are kept: one attempt asks this at
// every place a round's repeat gives back to, in the line it started in.
bool Matcher::RoundsOutOfReach(int loop, std::int32_t rounds, const std::uint8_t* p) {
    if (roundNeeds.empty()) {
        return false;
    }
    const RoundNeed& need = roundNeeds[static_cast<std::size_t>(loop)];
    if (need.byte < 0) {
        return false;
    }
    const auto c = static_cast<std::uint8_t>(need.byte);
    const std::int64_t wanted = std::int64_t{rounds} * need.perRound + need.after;
    if (wanted > tailKept) {
        return ShortOfCount(p, end, c, static_cast<std::int32_t>(std::min<std::int64_t>(wanted, INT_MAX)),
                            breaks[0], breaks[1]) != nullptr;
    }
    if (tail.byte != c || p < tail.from || p > tail.lineEnd) {
        const std::uint8_t* lineEnd = FindEither(p, end, breaks[0], breaks[1]);
        tail = {p, lineEnd != nullptr ? lineEnd : end, c, 0, {}};
        for (const std::uint8_t* q = tail.lineEnd; tail.found < tailKept; ++tail.found) {
            q = FindEitherBackward(p, q, c, c);
            if (q == nullptr) {
                break;
            }
            tail.last[static_cast<std::size_t>(tail.found)] = q;
        }
    }
    return wanted > tail.found || tail.last[static_cast<std::size_t>(wanted - 1)] < p;
}

// The earliest place from `q` on where a match can start that holds a required string no earlier
// than at `required`, the first one from `q` on: as a match holds mostByte at most mostCount times,
// after the one that many more back from there.
const std::uint8_t* Matcher::EarliestStart(const std::uint8_t* q, const std::uint8_t* required) const {
    if (mostByte < 0 || q >= required) {
        return q;
    }
    const auto c = static_cast<std::uint8_t>(mostByte);
    const std::uint8_t* p = required;
    for (std::int32_t seen = 0; seen <= mostCount; ++seen) {
        p = FindEitherBackward(q, p, c, c);
        if (p == nullptr) {
            return q;
        }
    }
    return p + 1;
}

// The last position from `p` on at which no attempt need be made, as the counts of a byte or the
// line filter tell: nullptr when an attempt at `p` may match; the text's end when none from `p` on
// can. A line that holds countByte too few times, or that the line filter rules out, is passed over
// to its end; where every match ends at a line's end, a position before which mostByte stands too
// often (the text's end settled first, as that byte past a zero would count).
const std::uint8_t* Matcher::PassedOver(const std::uint8_t* p) {
    if (countByte >= 0) {
        if (const std::uint8_t* lineEnd = ShortOfCount(p, end, static_cast<std::uint8_t>(countByte),
                                                       countLeast, breaks[0], breaks[1])) {
            return lineEnd;
        }
    }
    if (const std::uint8_t* lineEnd = LineRuledOut(p)) {
        return lineEnd;
    }
    if (const std::uint8_t* before = StartsRuledOut(p)) {
        return before;
    }
    if (!countToLineEnd || mostByte < 0) {
        return nullptr;
    }
    SettleEnd();
    const bool tooMany = ShortOfCount(p, end, static_cast<std::uint8_t>(mostByte), mostCount + 1,
                                      static_cast<std::uint8_t>(tables.breakStarts[0]),
                                      static_cast<std::uint8_t>(tables.breakStarts[1])) == nullptr;
    return tooMany ? p : nullptr;
}

// The end of p's line when no match can begin there from `p` on, else nothing. A line let through
// once is not looked at again for a later start in it; its end is found once, as a long line holds
// many starts, and so are the starts in it, read backward from there.
const std::uint8_t* Matcher::LineRuledOut(const std::uint8_t* p) {
    if (!lineFilter.Active() && !startFilter.Active()) {
        return nullptr;
    }
    if (lineLetThrough != nullptr && lineLetThrough <= p && p <= letThroughEnd) {
        return nullptr;
    }
    if (lineFilter.Active() && lineTrial.Awake()) {
        const std::uint8_t* const lineEnd = lineFilter.RuledOut(p, end);
        lineTrial.Asked(lineEnd != nullptr);
        if (lineEnd != nullptr) {
            return lineEnd;
        }
    }
    lineLetThrough = p;
    const std::uint8_t* const lineBreak = FindEither(p, end, breaks[0], breaks[1]);
    letThroughEnd = lineBreak != nullptr ? lineBreak : end;
    startsMarked = startFilter.Active() && startTrial.Awake();
    if (startsMarked) {
        startFilter.MarkStarts(p, letThroughEnd, startMarks);
    }
    return nullptr;
}

// In the line let through last, the position before the next one from `p` on where a match can
// begin, or the line's end when there is none; nothing when one can begin at `p`. The attempts at
// the other starts are spared: each would run to where the line no longer fits and fail, which in a
// long line costs as much as the line again.
const std::uint8_t* Matcher::StartsRuledOut(const std::uint8_t* p) {
    if (!startFilter.Active() || !startsMarked) {
        return nullptr;
    }
    const auto at = static_cast<std::size_t>(p - lineLetThrough);
    std::size_t i = at / 64;
    std::uint64_t word = startMarks[i] & (~std::uint64_t{0} << (at % 64));
    while (word == 0 && ++i < startMarks.size()) {
        word = startMarks[i];
    }
    const std::uint8_t* const next = word != 0 ? lineLetThrough + i * 64 + std::countr_zero(word) : nullptr;
    startTrial.Asked(next != p);
    if (next == p) {
        return nullptr;
    }
    // The text's end may since have been found at a zero byte inside the marked line.
    return std::min(next != nullptr ? next - 1 : letThroughEnd, end);
}

// The line filter, for the programs whose failing attempts cost most: those with a loop of groups.
void Matcher::AnalyseLineFilter() {
    lineFilter.Clear();
    startFilter.Clear();
    lineTrial = startTrial = {};
    lineLetThrough = nullptr;
    startsMarked = false;
    if (!lineBound) {
        return;
    }
    const std::vector<int> nodes = ReachableNodes(program);
    if (std::none_of(nodes.begin(), nodes.end(), [this](int node) {
            return program[node] == kLoopEntry || program[node] == kLoopBack;
        })) {
        return;
    }
    lineFilter.Assign(program, tables.invertCase, tables.lineSeparator, breaks[0], breaks[1]);
    startFilter.Assign(program, tables.invertCase, tables.lineSeparator, breaks[0], breaks[1], true);
}

// Whether one of the literals of presenceScan stands at or after `from`.
bool Matcher::RequiredAhead(const std::uint8_t* from) {
    return presenceScan.Empty() || presence.Next(from, [this](const std::uint8_t* p) {
        return presenceScan.Find(p, end);
    }) != nullptr;
}

void Matcher::SetText(const std::uint8_t* begin, const std::uint8_t* limit) {
    this->begin = begin;
    end = limit;
    zeroFree = begin;
    endSettled = false;
    pairScans[0] = pairScans[1] = {};
    presence = {};
    textSampled = false;
    ForgetText();
    ClearGroups();
    if (rest) {
        rest->SetText(begin, limit);
    }
}

// What the fast paths learnt of the text searched last.
void Matcher::ForgetText() {
    tail = {};
    runs.assign(program.size(), CountedRun{});
    failedSpans.assign(program.size(), FailedSpan{});
    memoOn = false;
    lineLetThrough = nullptr;
    startsMarked = false;
    for (WayScan& way : wayScans) {
        way.base = nullptr;
    }
}

// Whether `p`, inside the view, lies before the text's end: the first hit of a scan over the view
// counts only then, and a hit past a zero byte means there is none before it.
bool Matcher::BeforeEndSettling(const std::uint8_t* p) {
    if (p >= end || endSettled) {
        return p < end;
    }
    const void* zero = std::memchr(zeroFree, 0, static_cast<std::size_t>(p + 1 - zeroFree));
    if (zero == nullptr) {
        zeroFree = p + 1;
        return true;
    }
    end = zeroFree = static_cast<const std::uint8_t*>(zero);
    endSettled = true;
    return false;
}

void Matcher::SettleEnd() {
    if (!endSettled) {
        const void* zero = std::memchr(zeroFree, 0, static_cast<std::size_t>(end - zeroFree));
        end = zeroFree = zero != nullptr ? static_cast<const std::uint8_t*>(zero) : end;
        endSettled = true;
    }
}

void Matcher::ClearGroups() {
    groupStart.fill(nullptr);
    groupEnd.fill(nullptr);
}

void Matcher::SetTables(const MatchTables& newTables) {
    tables = newTables;
    literalsStale = true;
    AnalyseOptionalLead(); // the rest's first characters depend on the case table
}

void Matcher::SetFastPaths(bool on) {
    fastPaths = on;
    PassSettings();
}

void Matcher::SetMemoThreshold(int failures) {
    memoAfter = failures;
    PassSettings();
}

void Matcher::SetStackLimit(std::size_t frames) {
    stackLimit = frames;
    stack.clear(); // grown again up to the new bound
    depth = 0;
    PassSettings();
}

void Matcher::SetBaseSteps(std::int64_t steps) {
    baseSteps = steps;
    PassSettings();
}

void Matcher::SetAbortHook(std::function<bool()> hook, int interval) {
    abortHook = std::move(hook);
    pollInterval = std::max(1, interval);
    pollCountdown = pollInterval;
    PassSettings();
}

// The settings that the matcher of a program's rest shares with this one, but for the tables, which
// make a new rest.
void Matcher::PassSettings() {
    if (rest) {
        rest->SetFastPaths(fastPaths);
        rest->SetMemoThreshold(memoAfter);
        rest->SetStackLimit(stackLimit);
        rest->SetBaseSteps(baseSteps);
        rest->SetAbortHook(abortHook, pollInterval);
    }
}

bool Matcher::PollAbort() {
    attemptSteps += pollInterval - pollCountdown;
    pollCountdown = pollInterval;
    if (attemptSteps > baseSteps + kStepsPerCharacter * (end - begin)) {
        budgetSpent = true;
        return true;
    }
    return abortHook && abortHook();
}

bool Matcher::FindRequiredLiteral(const std::uint8_t* from) {
    const std::uint8_t* literal = &program[startInfo.requiredLiteral];
    const auto length = static_cast<std::size_t>(startInfo.requiredLength);
    if (fastPaths) {
        const std::string_view text(reinterpret_cast<const char*>(from), end - from);
        const std::size_t found = text.find(std::string_view(reinterpret_cast<const char*>(literal), length));
        return found != std::string_view::npos && (length == 0 || BeforeEnd(from + found + length - 1));
    }
    for (const std::uint8_t* p = from; p < end; ++p) {
        if (*p == literal[0] && static_cast<std::size_t>(end - p) >= length &&
            std::memcmp(p, literal, length) == 0) {
            return true;
        }
    }
    return false;
}

SearchEnd Matcher::Search(const std::uint8_t* from) {
    if (literalsStale) {
        AnalyseLiterals(); // here, as it needs the tables, which may come after the program
        literalsStale = false;
        textSampled = false;
    }
    if (sampleRunEnd && !textSampled && fastPaths) {
        ChooseRunEndScan();
        textSampled = true;
    }
    if (!fastPaths) {
        SettleEnd();
    }
    if (startInfo.requiredLiteral >= 0 && !FindRequiredLiteral(from)) {
        return SearchEnd::kNoMatch;
    }
    loopIndex = 0;
    if (startInfo.anchored) {
        return TryMatchAt(from);
    }
    if (fastPaths && plainLiteral >= 0) {
        // A program that is one literal matches exactly where the literal first occurs.
        const std::string_view text(reinterpret_cast<const char*>(from), end - from);
        std::size_t found = text.find(
            std::string_view(reinterpret_cast<const char*>(&program[plainLiteral]), plainLiteralLength));
        if (found != std::string_view::npos && !BeforeEnd(from + found + plainLiteralLength - 1)) {
            found = std::string_view::npos;
        }
        if (found != std::string_view::npos || ScanHit(std::memchr(from, startInfo.startChar, end - from))) {
            ClearGroups(); // attempts would have been made, and failed ones leave the groups cleared
        }
        if (found == std::string_view::npos) {
            return SearchEnd::kNoMatch;
        }
        groupStart[0] = from + found;
        groupEnd[0] = from + found + plainLiteralLength;
        return SearchEnd::kMatch;
    }
    if (fastPaths && plainRun >= 0) {
        return SearchPlainRun(from);
    }
    if (fastPaths && byRest) {
        return SearchByRest(from);
    }
    if (fastPaths && !requiredScan.Empty()) {
        return SearchByRequired(from);
    }
    if (fastPaths && !RequiredAhead(from)) {
        return NoMatchFrom(from, false);
    }
    if (fastPaths && (!leadScan.Empty() || !followerScan.Empty() || !leadSetScan.Empty() ||
                      !runEndScan.Empty() || !wayScans.empty())) {
        return SearchByLeading(from);
    }
    const auto scan = [this](const std::uint8_t* p, int c) {
        return static_cast<const std::uint8_t*>(std::memchr(p, c, static_cast<std::size_t>(end - p)));
    };
    if (startInfo.startChar >= 0) {
        if (fastPaths) {
            return AttemptEach(from, [&](const std::uint8_t* p) { return scan(p, startInfo.startChar); });
        }
        return AttemptEach(from, [this](const std::uint8_t* p) {
            while (p < end && *p != startInfo.startChar) {
                ++p;
            }
            return p == end ? nullptr : p;
        });
    }
    if (fastPaths && firstCharCount == 1) {
        return AttemptEach(from, [&](const std::uint8_t* p) { return scan(p, firstCharOnly); });
    }
    if (fastPaths && firstCharCount == 2) {
        // Two members, as a case-insensitive literal gives: the nearer of two character scans.
        return AttemptEach(from, [this](const std::uint8_t* p) {
            const auto find = [this](std::uint8_t c) {
                return [this, c](const std::uint8_t* from) {
                    return static_cast<const std::uint8_t*>(
                        std::memchr(from, c, static_cast<std::size_t>(end - from)));
                };
            };
            const std::uint8_t* a = pairScans[0].Next(p, find(firstCharPair[0]));
            const std::uint8_t* b = pairScans[1].Next(p, find(firstCharPair[1]));
            return b == nullptr || (a != nullptr && a < b) ? a : b;
        });
    }
    if (fastPaths && firstCharCount == 0) {
        return SearchEnd::kNoMatch;
    }
    if (fastPaths && beginsAtLineStart) {
        return AttemptEach(from, [this](const std::uint8_t* p) { return NextLineStart(p); });
    }
    if (fastPaths) {
        return AttemptEach(from, [this](const std::uint8_t* p) { return firstScan.Find(p, end); });
    }
    return AttemptEach(from, [this](const std::uint8_t* p) {
        while (p < end && !InSet(startInfo.firstChars.data(), *p)) {
            ++p;
        }
        return p == end ? nullptr : p;
    });
}

// An attempt at each candidate that `next` finds from a position on, until one ends otherwise than
// without a match. A candidate past the text's end means there are no more.
template <class Next> SearchEnd Matcher::AttemptEach(const std::uint8_t* from, Next next) {
    bool attempted = false;
    for (const std::uint8_t* p = from;; ++p) {
        p = next(p);
        if (p == nullptr || !BeforeEnd(p)) {
            return fastPaths ? NoMatchFrom(from, attempted) : SearchEnd::kNoMatch;
        }
        if (const std::uint8_t* passed = fastPaths ? PassedOver(p) : nullptr) {
            if (passed == end) {
                return NoMatchFrom(from, attempted);
            }
            p = passed;
            continue;
        }
        attempted = true;
        // With the fast paths a program with a literal prefix is searched by its leading strings, so
        // AttemptAt skips no prefix here; the plain interpreter matches the prefix itself.
        const SearchEnd outcome = fastPaths ? AttemptAt(p) : TryMatchAt(p);
        if (outcome != SearchEnd::kNoMatch) {
            return outcome;
        }
        p = AfterLeadRun(p) - 1;
    }
}

// Where the next attempt after one that failed at `p` may succeed. When every match begins with a
// repeat without upper bound, after the literal prefix if there is one, a later attempt whose
// repeat starts inside the run the failed one counted would try its follower at positions the failed
// one tried already, with the same result, as without backreferences nothing else the attempt did
// can matter. The caller has seen the prefix stand at `p`, so the failed attempt reached the repeat.
const std::uint8_t* Matcher::AfterLeadRun(const std::uint8_t* p) const {
    if (!fastPaths || leadRepeat < 0 || end - p < prefixLength) {
        return p + 1;
    }
    const Repeat& repeat = DescribeRepeat(leadRepeat);
    return std::min(end, p + CountSteps(repeat.operand, repeat.max, p + prefixLength) + 1);
}

// A try of a repeat's follower at a position, as one key of the table of known failures.
std::uint64_t Matcher::MemoKey(int node, const std::uint8_t* at) const {
    return ((static_cast<std::uint64_t>(at - begin) << kMemoNodeBits) | static_cast<std::uint64_t>(node)) + 1;
}

std::size_t Matcher::MemoSlot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kMemoBits));
}

bool Matcher::KnownToFail(int node, const std::uint8_t* at) const {
    if (!memoOn) {
        return false;
    }
    const std::uint64_t key = MemoKey(node, at);
    return failed[MemoSlot(key)] == key;
}

// A try of the follower that backtracking has come back from failed, whatever the attempt it was
// part of: the table keeps it once an attempt has come back from many, so that later tries there,
// in this attempt and in the next ones over the same text, fail at once. The table forgets a
// failure when another takes its slot, which costs only the try again.
void Matcher::NoteFailure(int node, const std::uint8_t* at) {
    if (!memoAllowed || !fastPaths) {
        return;
    }
    if (!memoOn) {
        if (++attemptFailures <= memoAfter) {
            return;
        }
        failed.assign(std::size_t{1} << kMemoBits, 0);
        memoOn = true;
    }
    const std::uint64_t key = MemoKey(node, at);
    failed[MemoSlot(key)] = key;
}

// Every try of the follower of the greedy repeat at `head` counted from `s` failed: a later count
// from elsewhere in the same run need not try those positions again. Tries of the follower there
// fail whatever the attempt, as for NoteFailure.
void Matcher::NoteFailedSpan(int head, const std::uint8_t* s) {
    if (!memoAllowed || !fastPaths) {
        return;
    }
    const Repeat& repeat = DescribeRepeat(head);
    const FailedSpan span{s + repeat.min, s + CountSteps(repeat.operand, repeat.max, s)};
    FailedSpan& known = failedSpans[head];
    if (known.to != span.to || known.from > span.from) {
        known = span;
    }
}

// The first place in [p, limit) where a match may begin: before the lead repeat's literal follower
// when it has one that ends its run, else by the sets of its first characters when they say more than
// its leading strings, else by the leading strings when there are some, else by the first characters; nothing
// when there is none before the text's end.
const std::uint8_t* Matcher::NextStart(const std::uint8_t* p, const std::uint8_t* limit) {
    if (!followerScan.Empty()) {
        return NextRunBeforeFollower(p, limit);
    }
    if (!runEndScan.Empty() || runEndByText) {
        return NextRunBeforeItems(p, limit, runEndByText ? runEndSpare : runEndScan);
    }
    if (runBack != RunBack::kNone) {
        return NextRunBack(p, limit);
    }
    if (!wayScans.empty()) {
        return NextFixedWay(p, limit);
    }
    if (!leadSetScan.Empty()) {
        p = leadSetScan.Find(p, limit);
        return p != nullptr && BeforeEnd(p + leadSetScan.Length() - 1) ? p : nullptr;
    }
    if (leadScan.Empty()) {
        p = firstScan.Find(p, limit);
        return p != nullptr && BeforeEnd(p) ? p : nullptr;
    }
    p = leadScan.Find(p, limit);
    // A prefix cut by the text's end, and none can follow.
    return p != nullptr && BeforeEnd(prefixNodes.empty() ? p : p + prefixLength - 1) ? p : nullptr;
}

// The start of the first run of the lead repeat's characters from `p` on that is long enough and
// that the repeat's follower ends. A later start inside the run would try the follower at the same
// place (see AfterLeadRun); a run that another character ends cannot begin a match.
const std::uint8_t* Matcher::NextRunBeforeFollower(const std::uint8_t* p, const std::uint8_t* limit) {
    const Repeat& repeat = DescribeRepeat(leadRepeat);
    for (const std::uint8_t* follower = p;; ++follower) {
        follower = followerScan.Find(follower, limit);
        if (follower == nullptr || !BeforeEnd(follower)) {
            return nullptr;
        }
        if (const std::ptrdiff_t run = runCharsScan.RunBefore(p, follower); run >= repeat.min) {
            return follower - run;
        }
    }
}

// Where a match may begin, from `p` on, before the first items that end a run of the first repeat's
// characters long enough for it and that have the prefix before it (see AnalyseRunEndScan).
const std::uint8_t* Matcher::NextRunBeforeItems(const std::uint8_t* p, const std::uint8_t* limit,
                                                const TSetSequenceScan& scan) {
    const Repeat& repeat = DescribeRepeat(runRepeat);
    // The run's characters, with those of the items that take only them, start here at the earliest.
    const std::uint8_t* const runFrom = p + runBackOffset;
    const std::ptrdiff_t taken = runOffset - runBackOffset;
    if (runFrom >= limit) {
        return nullptr;
    }
    for (const std::uint8_t* at = runFrom;; ++at) {
        at = scan.Find(at, limit);
        if (at == nullptr || !BeforeEnd(at + scan.Length() - 1)) {
            return nullptr;
        }
        const std::uint8_t* const items = at + runEndLead;
        const std::uint8_t* const most =
            items - std::min<std::ptrdiff_t>(items - runFrom, repeat.max + taken);
        const std::uint8_t* const start = items - runCharsScan.RunBefore(most, items);
        if (items - start >= repeat.min + taken && ItemsStandAt(start - runBackOffset)) {
            return start - runBackOffset;
        }
    }
}

// Whether the items before the run repeat stand at `at`, where a match would begin.
bool Matcher::ItemsStandAt(const std::uint8_t* at) const {
    for (std::size_t i = 0; i < runItems.size(); ++i) {
        if (!InSet(runItems[i].data(), at[i])) {
            return false;
        }
    }
    return lineStartItem < 0 || LineStartAt(at + lineStartItem);
}

// Where a match may begin, from `p` on, when its run repeat's run is found back from where it must
// end (see AnalyseRunBack). A match that begins at or before the first place q after the items' room
// where the follower can stand has its follower at q or later, so its run takes every character up to
// q: the run back from q, over the items that take only the run's characters too, goes to the only
// start it can have, after the last item that takes none of them; the items must stand there. When they do
// not, no match begins there or before q. Below a `limit` before the text's end, as in a line that holds a
// required literal, a match ends by the limit.
const std::uint8_t* Matcher::NextRunBack(const std::uint8_t* p, const std::uint8_t* limit) {
    SettleEnd();
    for (;;) {
        const std::uint8_t* const runFrom = p + runOffset;
        if (runFrom > end || p >= limit) {
            return nullptr;
        }
        const std::uint8_t* const q =
            runBack == RunBack::kLineEnd ? NextLineEnd(runFrom, limit) : runBackScan.Find(runFrom, limit);
        if (q == nullptr) {
            return nullptr;
        }
        const std::uint8_t* const candidate =
            q - runCharsScan.RunBefore(p + runBackOffset, q) - runBackOffset;
        if (candidate >= limit) {
            return nullptr;
        }
        if (ItemsStandAt(candidate)) {
            return candidate;
        }
        p = q + 1 - runOffset;
    }
}

// The first place in [p, limit] where a line ends: the text's end when that is the limit and no line
// ends before it.
const std::uint8_t* Matcher::NextLineEnd(const std::uint8_t* p, const std::uint8_t* limit) const {
    const auto first = static_cast<std::uint8_t>(tables.breakStarts[0]);
    const auto other = static_cast<std::uint8_t>(tables.breakStarts[1]);
    const std::uint8_t* const stop = limit < end ? limit + 1 : end;
    for (;; ++p) {
        p = FindEither(p, stop, first, other);
        if (p == nullptr) {
            return limit >= end ? end : nullptr;
        }
        if (LineEndAt(p)) {
            return p;
        }
    }
}

// An attempt where NextStart found a start: after a prefix of plain literals, which makes no
// choices, it goes on from the node after it.
SearchEnd Matcher::AttemptAt(const std::uint8_t* p) {
    if (!loopBody.empty()) {
        return MatchLoopAt(p);
    }
    if (!fixedWays.empty()) {
        return MatchFixedWayAt(p);
    }
    if (!followerItems.empty()) {
        return MatchRunFollowerAt(p);
    }
    const std::uint8_t* matchEnd = nullptr;
    if (!RunEndAllows(p, matchEnd) || !FollowerCanStand(p)) {
        ClearAttemptGroups(); // as the attempt, which would fail, would
        return SearchEnd::kNoMatch;
    }
    if (runEndDecides && matchEnd != nullptr) {
        // Every item of the program has been checked: the attempt would match just this.
        if (--pollCountdown <= 0 && PollAbort()) {
            return Stopped();
        }
        ClearAttemptGroups();
        groupStart[0] = p;
        groupEnd[0] = matchEnd;
        return SearchEnd::kMatch;
    }
    return prefixNodes.empty() ? TryMatchAt(p) : TryMatchAt(p, afterPrefix, p + prefixLength);
}

// Appends the characters that `node` matches to `chars`, a set each, when it matches a fixed number of
// single characters (a literal, a class, a fixed count of a class) and they stay few; false, with
// nothing added, otherwise.
bool Matcher::AddFixedChars(int node, std::vector<ByteSet>& chars) const {
    constexpr std::size_t kMostChars = 64;
    const int kind = program[node];
    if ((kind == kLiteral || kind == kLiteralNoCase) && LiteralLength(node) > 0) {
        if (chars.size() + LiteralLength(node) > kMostChars) {
            return false;
        }
        for (const LiteralChar c : LiteralOf(program, node, tables.invertCase)) {
            chars.push_back(SetOf(c));
        }
        return true;
    }
    int operand = node;
    std::int32_t count = 1;
    if (IsSimpleRepeat(kind)) {
        if (repeats[node].min != repeats[node].max) {
            return false;
        }
        operand = repeats[node].operand;
        count = repeats[node].min;
    }
    if (!OperandTakes(operand, 0).has_value() ||
        chars.size() + static_cast<std::size_t>(count) > kMostChars) {
        return false;
    }
    chars.insert(chars.end(), static_cast<std::size_t>(count), OperandSet(operand));
    return true;
}

// Adds the fixed ways that a match going from `node` on with `way` so far can take, in the order an
// attempt tries them, as in (19|20)\d{2} or (song|track) \d+: false when one of them makes a choice
// within itself (a repeat of a varying count, but for a greedy one at the end), or matches anything
// but characters of a class (an assertion, a backreference), or when there are too many of them.
bool Matcher::AddFixedWays(int node, FixedWay way, int& budget) {
    constexpr std::size_t kMaxWays = 8;
    for (;;) {
        if (--budget < 0 || !IsNode(node)) {
            return false;
        }
        const int kind = program[node];
        const int next = NextNode(program, node);
        if (kind == kProgramEnd) {
            if (fixedWays.size() == kMaxWays) {
                return false;
            }
            fixedWays.push_back(std::move(way));
            return true;
        }
        if (IsGroupOpen(kind) || IsGroupClose(kind)) {
            const bool start = IsGroupOpen(kind);
            const auto offset = way.runOperand >= 0 ? -1 : static_cast<std::int32_t>(way.chars.size());
            way.marks.push_back({kind - (start ? kGroupOpen : kGroupClose), start, offset});
            node = next;
            continue;
        }
        if (way.runOperand >= 0 || shapes[node] != kNoShape) {
            return false; // only the ends of groups follow the run, and a shape makes choices
        }
        if (const int through = PassThrough(node); through >= 0) {
            node = through;
            continue;
        }
        if (kind == kAlternative) {
            for (int branch = node; KindAt(branch) == kAlternative; branch = NextNode(program, branch)) {
                if (!AddFixedWays(OperandOf(branch), way, budget)) {
                    return false;
                }
            }
            return true;
        }
        if (!AddFixedChars(node, way.chars)) {
            const Repeat& repeat = repeats[node];
            if (!IsSimpleRepeat(kind) || !repeat.greedy || !OperandTakes(repeat.operand, 0).has_value()) {
                return false;
            }
            way.runOperand = repeat.operand;
            way.runMin = repeat.min;
            way.runMax = repeat.max;
        }
        node = next;
    }
}

// The match at `p` when every way is fixed: the first way whose characters stand there, as the
// attempt would find it, with its groups.
SearchEnd Matcher::MatchFixedWayAt(const std::uint8_t* p) {
    SettleEnd();
    if (--pollCountdown <= 0 && PollAbort()) {
        return Stopped();
    }
    ClearAttemptGroups();
    for (const FixedWay& way : fixedWays) {
        if (!SetsStandAt(way.chars, p, end)) {
            continue;
        }
        const std::uint8_t* matchEnd = p + way.chars.size();
        if (way.runOperand >= 0) {
            const std::int32_t run = CountRun(way.runOperand, way.runMax, matchEnd);
            if (run < way.runMin) {
                continue;
            }
            matchEnd += run;
        }
        for (const GroupMark& mark : way.marks) {
            (mark.start ? groupStart : groupEnd)[static_cast<std::size_t>(mark.group)] =
                mark.offset < 0 ? matchEnd : p + mark.offset;
        }
        groupStart[0] = p;
        groupEnd[0] = matchEnd;
        return SearchEnd::kMatch;
    }
    return SearchEnd::kNoMatch;
}

// Scans for each fixed way's characters, the run's first among them when it takes one at least, when
// together they are rarer than what a match begins with and no literal leads the ways: where a way's
// first character is a frequent class, as when an optional item comes first, a way's rarer characters
// further on find its start.
void Matcher::AnalyseWayScans(int leadFrequency) {
    wayScans.clear();
    if (fixedWays.size() < 2 || !leadScan.Empty() || !followerScan.Empty() || !runEndScan.Empty() ||
        runBack != RunBack::kNone) {
        return;
    }
    std::vector<std::vector<ByteSet>> sequences;
    for (const FixedWay& way : fixedWays) {
        std::vector<ByteSet> sets(way.chars.begin(),
                                  way.chars.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(
                                                          way.chars.size(), TSetSequenceScan::kMaxSets)));
        if (way.runOperand >= 0 && way.runMin >= 1 && sets.size() < TSetSequenceScan::kMaxSets) {
            sets.push_back(OperandSet(way.runOperand));
        }
        if (sets.empty()) {
            return; // a way of no characters, found at every position
        }
        sequences.push_back(std::move(sets));
    }
    // Each way is a scan over the text of its own, where an attempt at each first character is one:
    // worth it only when they are far rarer.
    const int lead = leadFrequency != INT_MAX ? leadFrequency : SetFrequency(startInfo.firstChars);
    if (SetSequencesFrequency(sequences) + kFarRarer > lead) {
        return;
    }
    wayScans.resize(sequences.size());
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        wayScans[i].scan.Assign(sequences[i]);
        if (wayScans[i].scan.Empty()) {
            wayScans.clear(); // a way found by none of its characters: every position is its candidate
            return;
        }
    }
}

// The first place in [p, limit) where one of the fixed ways' characters stand. A way's scan is kept
// from one call to the next, as the rarer ways stand far further on than the commoner ones.
const std::uint8_t* Matcher::NextFixedWay(const std::uint8_t* p, const std::uint8_t* limit) {
    const std::uint8_t* nearest = nullptr;
    for (WayScan& way : wayScans) {
        if (way.base == nullptr || p < way.base || limit != way.limit ||
            (way.next != nullptr && way.next < p)) {
            way.base = p;
            way.limit = limit;
            way.next = way.scan.Find(p, limit);
            if (way.next != nullptr && !BeforeEnd(way.next + way.scan.Length() - 1)) {
                way.next = nullptr; // past the text's end, as every later one
            }
        }
        if (way.next != nullptr && (nearest == nullptr || way.next < nearest)) {
            nearest = way.next;
        }
    }
    return nearest;
}

// Whether an attempt at `p` can succeed as far as the items before the run repeat and the end of its
// run tell: the follower's items up to the first that takes none of the run's characters can only stand at
// one place, that item on the character that ends the run (see AnalyseRunEnd). `matchEnd` becomes the end of
// those items when they stand.
bool Matcher::RunEndAllows(const std::uint8_t* p, const std::uint8_t*& matchEnd) {
    if (runEndItems.empty() || !fastPaths) {
        return true;
    }
    const std::uint8_t* const runEnd = RunEndOf(p);
    if (runEnd == nullptr) {
        return false;
    }
    const std::uint8_t* const at = runEnd - runEndOutside;
    if (at < p + runOffset + DescribeRepeat(runRepeat).min || !SetsStandAt(runEndItems, at, end)) {
        return false;
    }
    matchEnd = at + runEndItems.size();
    return true;
}

// Where the run repeat's run ends in an attempt at `p`, counted from after the items before it;
// nothing when the text ends among them, or they do not stand there: a scan for a match's first
// characters may not have seen them all. The prefix the caller has seen stand.
const std::uint8_t* Matcher::RunEndOf(const std::uint8_t* p) {
    SettleEnd();
    const std::uint8_t* const s = p + runOffset;
    if (s > end || (ItemsBeforeRun() && !ItemsStandAt(p))) {
        return nullptr;
    }
    const Repeat& repeat = DescribeRepeat(runRepeat);
    return s + CountSteps(repeat.operand, repeat.max, s);
}

// The match at `p` when the run repeat is followed by items of single characters only (see
// AnalyseRunEnd): the greedy run gives back from its end until they stand, as the attempt would.
SearchEnd Matcher::MatchRunFollowerAt(const std::uint8_t* p) {
    if (--pollCountdown <= 0 && PollAbort()) {
        return Stopped();
    }
    ClearAttemptGroups();
    const std::uint8_t* const runEnd = RunEndOf(p);
    if (runEnd == nullptr) {
        return SearchEnd::kNoMatch;
    }
    const std::uint8_t* const least = p + runOffset + DescribeRepeat(runRepeat).min;
    for (const std::uint8_t* q = runEnd; q >= least; --q) {
        if (SetsStandAt(followerItems, q, end)) {
            groupStart[0] = p;
            groupEnd[0] = q + followerItems.size();
            return SearchEnd::kMatch;
        }
    }
    return SearchEnd::kNoMatch;
}

// Whether, in an attempt at `p`, the follower of the run repeat can stand anywhere the repeat gives
// back to, when it can only stand on some characters, as \d after \w+: from the repeat's least count
// to the end of its run, the character after the run included. Where the run holds none of them, the
// attempt would fail after counting and giving back the whole run.
bool Matcher::FollowerCanStand(const std::uint8_t* p) {
    if (!followerStandsKnown || !fastPaths) {
        return true;
    }
    const std::uint8_t* const runEnd = RunEndOf(p);
    if (runEnd == nullptr) {
        return false;
    }
    if (runEnd == end) {
        return true;
    }
    const Repeat& repeat = DescribeRepeat(runRepeat);
    for (const std::uint8_t* q = runEnd; q >= p + runOffset + repeat.min; --q) {
        if (InSet(repeat.stands.data(), *q)) {
            return true;
        }
    }
    return false;
}

// When the repeat that every match begins with after its prefix (the lead repeat, or one with an
// upper bound), greedy over single characters of a class, is followed by items of single
// characters each, of which the first ones take only characters of the class and a later one none,
// a match needs that later item on the character that ends the run, the ones before it right before
// and the ones after it right after: the sets of those items, to be checked before an attempt. The
// last item may be a repeat of a varying count, of which only the first character has a known place.
// Empty when the shape differs. When the items are all the program has after the repeat, and it sets
// no group, the check decides the attempt. A bounded repeat takes at most its bound of the run: the
// items must then stand where it ends.
void Matcher::AnalyseRunEnd() {
    runEndItems.clear();
    runEndDecides = false;
    followerItems.clear();
    if (runRepeat < 0) {
        return;
    }
    const Repeat& repeat = DescribeRepeat(runRepeat);
    if (!repeat.greedy || !OperandTakes(repeat.operand, 0).has_value()) {
        return;
    }
    using Set = std::array<std::uint8_t, 32>;
    const Set run = OperandSet(repeat.operand);
    std::vector<Set> items;
    int outside = -1; // the item that ends the run, once found
    bool varying = false;
    const int size = static_cast<int>(program.size());
    int node = repeat.follower;
    for (; node >= kFirstNode && node + kNodeSize <= size && items.size() < kMaxRunEnd && !varying;
         node = NextNode(program, node)) {
        const int kind = program[node];
        std::vector<Set> more;
        if (kind == kEmpty || kind == kSkip) {
            continue;
        }
        if (!AddFixedChars(node, more)) {
            if (!IsSimpleRepeat(kind) || repeats[node].min < 1 ||
                !OperandTakes(repeats[node].operand, 0).has_value()) {
                break;
            }
            more.push_back(OperandSet(repeats[node].operand)); // the first of a varying count
            varying = true;
        }
        for (const Set& set : more) {
            if (items.size() == kMaxRunEnd) {
                varying = true; // items left unchecked: the check cannot decide
                break;
            }
            items.push_back(set);
            if (outside >= 0) {
                continue;
            }
            const bool inside = Within(set, run);
            const bool out = Disjoint(set, run);
            if (out) {
                // One item taking every character outside the class tells nothing: one ends the run.
                bool everyOther = items.size() == 1;
                for (std::size_t b = 0; b < set.size(); ++b) {
                    everyOther = everyOther && (set[b] | run[b]) == 0xFF;
                }
                if (everyOther) {
                    return;
                }
                outside = static_cast<int>(items.size()) - 1;
            } else if (!inside) {
                return;
            }
        }
    }
    if (outside < 0) {
        // Items that all take characters of the run, as in \\[^\\]+\d\d: when they are all the program
        // has after the run and it sets no group, the last place the run gives back to where they stand
        // decides the match.
        while (!varying && (KindAt(node) == kEmpty || KindAt(node) == kSkip)) {
            node = NextNode(program, node);
        }
        if (!varying && !items.empty() && groupsUsed == 1 && KindAt(node) == kProgramEnd) {
            followerItems = std::move(items);
        }
        return;
    }
    runEndItems = std::move(items);
    runEndOutside = outside;
    while (!varying && node >= kFirstNode && node < size &&
           (program[node] == kEmpty || program[node] == kSkip)) {
        node = NextNode(program, node);
    }
    runEndDecides =
        !varying && groupsUsed == 1 && node >= kFirstNode && node < size && program[node] == kProgramEnd;
}

// Only where one of the leading strings stands, or the lead repeat's run before its follower begins,
// can a match begin, and only there is an attempt made. After a prefix of plain literals, which makes
// no choices, the attempt goes on from the node after it.
SearchEnd Matcher::SearchByLeading(const std::uint8_t* from) {
    bool attempted = false;
    for (const std::uint8_t* p = from;; ++p) {
        p = NextStart(p, end);
        if (p == nullptr) {
            break;
        }
        if (const std::uint8_t* passed = PassedOver(p)) {
            if (passed == end) {
                break;
            }
            p = passed;
            continue;
        }
        attempted = true;
        const SearchEnd outcome = AttemptAt(p);
        if (outcome != SearchEnd::kNoMatch) {
            return outcome;
        }
        p = AfterLeadRun(p) - 1;
    }
    return NoMatchFrom(from, attempted);
}

// Every match contains one of the required strings at or after its start: the attempts begin at the
// start of the line where the next one stands, as no match spans a line break, or where the byte
// that matches hold only so often allows (see EarliestStart), and go on while one stands further on
// in that line.
SearchEnd Matcher::SearchByRequired(const std::uint8_t* from) {
    bool attempted = false;
    for (const std::uint8_t* p = from; p < end;) {
        const std::uint8_t* required = requiredScan.Find(p, end);
        if (required == nullptr || !BeforeEnd(required)) {
            break;
        }
        const std::uint8_t* lineStart = p;
        const std::uint8_t* lineEnd = end;
        if (lineBound) {
            const std::uint8_t* before = FindEitherBackward(p, required, breaks[0], breaks[1]);
            lineStart = before != nullptr ? before + 1 : p;
            const std::uint8_t* after = FindEither(required, end, breaks[0], breaks[1]);
            lineEnd = after != nullptr ? after : end;
        }
        for (const std::uint8_t* q = EarliestStart(lineStart, required);;) {
            const std::uint8_t* start = NextStart(q, lineEnd);
            if (start == nullptr) {
                break;
            }
            if (start > required) {
                required = requiredScan.Find(start, lineEnd);
                if (required == nullptr) {
                    break;
                }
                if (const std::uint8_t* earliest = EarliestStart(start, required); earliest > start) {
                    q = earliest;
                    continue;
                }
            }
            if (const std::uint8_t* passed = PassedOver(start)) {
                if (passed >= lineEnd) {
                    break;
                }
                q = passed + 1;
                continue;
            }
            attempted = true;
            const SearchEnd outcome = AttemptAt(start);
            if (outcome != SearchEnd::kNoMatch) {
                return outcome;
            }
            q = AfterLeadRun(start);
        }
        if (lineEnd == end) {
            break;
        }
        p = lineEnd + 1;
    }
    return NoMatchFrom(from, attempted);
}

// A program that is one repeat of a class matches at the first run of the class long enough for it,
// as much of the run as the repeat takes; a shorter run cannot begin a match anywhere in it.
SearchEnd Matcher::SearchPlainRun(const std::uint8_t* from) {
    const Repeat& repeat = DescribeRepeat(plainRun);
    for (const std::uint8_t* p = from; p < end;) {
        std::ptrdiff_t counted = 0;
        p = plainRunScan.FindRun(p, end, repeat.max, counted);
        if (p == nullptr || !BeforeEnd(p)) {
            break;
        }
        SettleEnd();
        ClearAttemptGroups(); // as the attempt there would
        // The run was counted over the view, and ends at a zero byte in it.
        const auto run = static_cast<std::int32_t>(std::min(counted, end - p));
        if (run >= repeat.min) {
            groupStart[0] = p;
            groupEnd[0] = p + (repeat.greedy ? run : repeat.min);
            return SearchEnd::kMatch;
        }
        p += run + 1; // past the character that ends the run, which the class does not take
    }
    return SearchEnd::kNoMatch;
}

// A program of one branch at the top that begins with an optional item one character wide: a choice
// of it and an empty branch, or a count of none or one of a character, as \\? or (\\|/)? or x?? give.
// Its rest gets a program of its own: a copy of this one where that item is an empty node.
void Matcher::AnalyseOptionalLead() {
    rest.reset();
    restCode.clear();
    if (tables.invertCase == nullptr || !OneBranchAtTop()) {
        return;
    }
    const int lead = OperandOf(kFirstNode);
    const std::vector<int> reachable = ReachableNodes(program);
    if (!IsNode(lead) || std::any_of(reachable.begin(), reachable.end(), [this](int node) {
            return program[node] == kBackRef || program[node] == kBackRefNoCase;
        })) {
        return; // the rest on its own would lack the groups that the item sets
    }
    optionalChars = {};
    optionalGroups.clear();
    optionalLazy = program[lead] == kSimpleBracesLazy;
    int join = -1;
    if (IsBracesRepeat(program[lead])) {
        const Repeat& repeat = repeats[lead];
        std::vector<ByteSet> item;
        if (repeat.min != 0 || repeat.max != 1 || !AddFixedChars(repeat.operand, item) || item.size() != 1) {
            return;
        }
        optionalChars = item[0];
        join = NextNode(program, lead);
    } else if (program[lead] == kAlternative) {
        const int second = NextNode(program, lead);
        if (!IsNode(second) || program[second] != kAlternative ||
            NextNode(program, second) != OperandOf(second)) {
            return; // not a choice of two
        }
        int item = OperandOf(lead);
        int empty = OperandOf(second);
        if (IsNode(item) && program[item] == kEmpty) {
            std::swap(item, empty);
            optionalLazy = true; // the empty branch first
        }
        if (!IsNode(empty) || program[empty] != kEmpty) {
            return;
        }
        join = NextNode(program, empty);
        if (OneCharWide(item, join, optionalChars, optionalGroups) != 1) {
            return;
        }
    }
    if (!IsNode(join) || !TakesACharacter(join)) {
        return;
    }
    restCode.assign(program.begin(), program.end());
    restCode[static_cast<std::size_t>(lead)] = kEmpty;
    SetNextNode(restCode, lead, join);
    rest = std::make_unique<Matcher>(errors);
    rest->Load(restCode, AnalyseStart(restCode, 0, tables.invertCase, errors));
    rest->SetTables(tables);
    PassSettings();
    if (begin != nullptr) {
        rest->SetText(begin, end);
    }
}

// Whether the program is one branch at the top, as it is without a choice outside groups.
bool Matcher::OneBranchAtTop() const {
    return KindAt(kFirstNode) == kAlternative && KindAt(NextNode(program, kFirstNode)) == kProgramEnd;
}

// Where a walk over the items of a match goes on past `node` when it matches nothing and makes no
// choice: an empty node, a skip, or a branch of its own, as a group's body, whose last node goes on to
// what follows it. -1 for any other node.
int Matcher::PassThrough(int node) const {
    const int kind = KindAt(node);
    if (kind == kEmpty || kind == kSkip) {
        return NextNode(program, node);
    }
    if (kind == kAlternative && KindAt(NextNode(program, node)) != kAlternative) {
        return OperandOf(node);
    }
    return -1;
}

// Whether every match from `node` on takes a character, as far as a walk that makes no choice tells.
// A search for such a rest finds each place where it matches; one that may match nothing is attempted
// only at its first characters, and could miss where an attempt of the whole program goes on to it.
bool Matcher::TakesACharacter(int node) const {
    for (int budget = kMostWalked; IsNode(node) && --budget >= 0; node = NextNode(program, node)) {
        const int kind = program[node];
        if (kind == kProgramEnd || kind == kAlternative || kind == kLoopEntry || kind == kBackRef ||
            kind == kBackRefNoCase) {
            return false;
        }
        std::vector<ByteSet> chars;
        if ((IsSimpleRepeat(kind) && repeats[node].min >= 1) || AddFixedChars(node, chars)) {
            return IsSimpleRepeat(kind) || !chars.empty();
        }
    }
    return false;
}

// How many characters the nodes from `node` to `join` match, when that is fixed and each is one of
// a set (added to `chars`): through choices of single characters, and groups that hold them all
// (added to `groups`); -1 otherwise.
int Matcher::OneCharWide(int node, int join, ByteSet& chars, std::vector<int>& groups) const {
    const auto add = [&](int at, int& width) {
        std::vector<ByteSet> sets;
        if (!AddFixedChars(at, sets)) {
            return false;
        }
        for (const ByteSet& set : sets) {
            AddSet(chars, set);
        }
        width += static_cast<int>(sets.size());
        return true;
    };
    int width = 0;
    std::size_t closed = 0;
    for (int budget = kMostWalked; node != join; --budget) {
        if (!IsNode(node) || budget == 0) {
            return -1;
        }
        const int kind = program[node];
        const int next = NextNode(program, node);
        if (IsGroupOpen(kind) && width == 0) {
            groups.push_back(kind - kGroupOpen);
            node = next;
        } else if (IsGroupClose(kind) && width > 0 && closed < groups.size()) {
            ++closed;
            node = next;
        } else if (IsGroupOpen(kind) || IsGroupClose(kind)) {
            return -1;
        } else if (const int through = PassThrough(node); through >= 0) {
            node = through;
        } else if (kind == kAlternative) {
            // A choice of single characters that all go on at the same node.
            int common = -1;
            for (int branch = node; KindAt(branch) == kAlternative; branch = NextNode(program, branch)) {
                int one = 0;
                const int item = OperandOf(branch);
                if (!IsNode(item) || !add(item, one) || one != 1 ||
                    (common >= 0 && NextNode(program, item) != common)) {
                    return -1;
                }
                common = NextNode(program, item);
            }
            ++width;
            node = common;
        } else if (add(node, width)) {
            node = next;
        } else {
            return -1;
        }
    }
    return closed == groups.size() ? width : -1;
}

// Where the rest of the program first matches from a position on, at q, a match begins at q - 1,
// when the optional item stands there, or at q: the rest matches nowhere before q. An attempt there
// would take the item and go on to the rest's match, or, when the item does not stand at q or is tried
// last, be the rest's match: both are that match, with the item's groups or without. Only where the
// item stands at q and is tried first does an attempt decide; when it fails, the search goes on after
// q. When the rest's own search ran out of steps or stack, the attempts are made at every first
// character, as they would be without it.
SearchEnd Matcher::SearchByRest(const std::uint8_t* from) {
    bool attempted = false;
    for (const std::uint8_t* p = from;;) {
        const SearchEnd found = rest->Search(p);
        if (found == SearchEnd::kNoMatch) {
            return NoMatchFrom(from, attempted);
        }
        if (found == SearchEnd::kAborted) {
            return found;
        }
        if (found != SearchEnd::kMatch) {
            return AttemptEach(p, [this](const std::uint8_t* at) { return firstScan.Find(at, end); });
        }
        SettleEnd();
        const std::uint8_t* const q = rest->GroupStart(0);
        const bool before = q > p && InSet(optionalChars.data(), q[-1]);
        if (before || optionalLazy || !InSet(optionalChars.data(), *q)) {
            ClearAttemptGroups();
            groupStart = rest->groupStart;
            groupEnd = rest->groupEnd;
            if (before) {
                for (const int group : optionalGroups) {
                    groupStart[static_cast<std::size_t>(group)] = q - 1;
                    groupEnd[static_cast<std::size_t>(group)] = q;
                }
                groupStart[0] = q - 1;
            }
            return SearchEnd::kMatch;
        }
        attempted = true;
        if (const SearchEnd outcome = AttemptAt(q); outcome != SearchEnd::kNoMatch) {
            return outcome;
        }
        p = q + 1; // the rest takes a character: q lies before the text's end
    }
}

bool Matcher::FirstCharFrom(const std::uint8_t* from) {
    const auto size = static_cast<std::size_t>(end - from);
    if (firstCharCount == 1) {
        return ScanHit(std::memchr(from, firstCharOnly, size));
    }
    if (firstCharCount == 2) {
        // The higher code first: of a letter's two cases the lower-case one, mostly the more frequent,
        // so that the scan usually ends early.
        return ScanHit(std::memchr(from, firstCharPair[1], size)) ||
               ScanHit(std::memchr(from, firstCharPair[0], size));
    }
    return ScanHit(firstScan.Find(from, end));
}

// No match from `from` on, found by a search that attempts only where a match may begin: the plain
// search would have made (failed) attempts at every first character, which clear the groups.
SearchEnd Matcher::NoMatchFrom(const std::uint8_t* from, bool attempted) {
    if (!attempted && FirstCharFrom(from)) {
        ClearAttemptGroups();
    }
    return SearchEnd::kNoMatch;
}

void Matcher::ClearAttemptGroups() {
    // Groups beyond those of the program are never set by it, so after one full clearing per loaded
    // program only the program's own groups need it. Most programs have a group or two: the first few
    // slots are cleared in a fixed count, without a call, as this runs for every match.
    constexpr int kFewGroups = 4;
    static_assert(kFewGroups <= kMaxGroups);
    if (groupsUsed <= kFewGroups && !clearAllGroups && fastPaths) {
        for (int group = 0; group < kFewGroups; ++group) {
            groupStart[static_cast<std::size_t>(group)] = nullptr;
            groupEnd[static_cast<std::size_t>(group)] = nullptr;
        }
        return;
    }
    const int clear = (clearAllGroups || !fastPaths) ? kMaxGroups : groupsUsed;
    std::fill_n(groupStart.begin(), clear, nullptr);
    std::fill_n(groupEnd.begin(), clear, nullptr);
    clearAllGroups = false;
}

SearchEnd Matcher::TryMatchAt(const std::uint8_t* at, int node, const std::uint8_t* p) {
    if (node == kFirstNode && fastPaths) {
        node = firstRunNode; // past a head that makes no choice
    }
    SettleEnd();
    attemptFailures = 0;
    ClearAttemptGroups();
    attemptSteps = 0;
    budgetSpent = false;
    if (--pollCountdown <= 0 && PollAbort()) {
        return Stopped();
    }
    const SearchEnd outcome = Run(node, p);
    if (outcome == SearchEnd::kMatch) {
        groupStart[0] = at;
    }
    return outcome;
}

bool Matcher::Push(std::uint8_t kind, int node, const std::uint8_t* pos, std::int32_t k, std::int32_t count) {
    if (depth == stack.size() && !GrowStack()) [[unlikely]] {
        return false;
    }
    stack[depth++] = Frame{pos, node, k, count, kind};
    return true;
}

bool Matcher::GrowStack() {
    if (stack.size() >= stackLimit) {
        return false;
    }
    constexpr std::size_t kFirstFrames = 64;
    stack.resize(std::min(stackLimit, std::max(kFirstFrames, stack.size() * 2)));
    return true;
}

SearchEnd Matcher::Run(int node, const std::uint8_t* p) {
    depth = 0;
    for (;;) {
        if (--pollCountdown <= 0 && PollAbort()) {
            return Stopped();
        }
        Step step = Execute(node, p);
        if (step == Step::kFail) {
            step = Backtrack(node, p);
        }
        switch (step) {
        case Step::kGo:
            break;
        case Step::kFail:
            return SearchEnd::kNoMatch;
        case Step::kMatch:
            groupEnd[0] = p;
            return SearchEnd::kMatch;
        case Step::kAborted:
            return Stopped();
        case Step::kExhausted:
            return SearchEnd::kStackExhausted;
        }
    }
}

int Matcher::Follow(int node) const {
    const int next = NextNode(program, node);
    if (next < 0) {
        errors.Fail(kErrCorruptedPointers, 0);
    }
    return next;
}

bool Matcher::IsLineBreakAt(const std::uint8_t* p) const {
    return tables.lineSeparator[*p] || (*p == tables.pairHead && CharAt(p + 1) == tables.pairTail);
}

bool Matcher::LineStartAt(const std::uint8_t* p) const {
    if (p == begin) {
        return true;
    }
    const std::uint8_t before = p[-1];
    if (before == tables.pairTail && p - 1 > begin && p[-2] == tables.pairHead) {
        return true;
    }
    if (before == tables.pairHead && CharAt(p) == tables.pairTail) {
        return false;
    }
    return tables.lineSeparator[before];
}

bool Matcher::LineEndAt(const std::uint8_t* p) const {
    if (p >= end) {
        return true;
    }
    if (*p == tables.pairHead && CharAt(p + 1) == tables.pairTail) {
        return true;
    }
    if (*p == tables.pairTail && p > begin && p[-1] == tables.pairHead) {
        return false;
    }
    return tables.lineSeparator[*p];
}

bool Matcher::GroupText(int group, const std::uint8_t*& from, std::ptrdiff_t& length) const {
    if (group >= kMaxGroups || groupStart[group] == nullptr || groupEnd[group] == nullptr) {
        return false;
    }
    from = groupStart[group];
    length = std::max<std::ptrdiff_t>(0, groupEnd[group] - from);
    return true;
}

bool Matcher::SameText(const std::uint8_t* p, const std::uint8_t* group, std::ptrdiff_t length,
                       bool noCase) const {
    if (end - p < length) {
        return false;
    }
    if (!noCase) {
        return std::memcmp(p, group, length) == 0;
    }
    for (std::ptrdiff_t i = 0; i < length; ++i) {
        if (p[i] != group[i] && p[i] != tables.invertCase[group[i]]) {
            return false;
        }
    }
    return true;
}

// Nodes that make no choice run one after another without going back to Run, which gets control at
// a choice, a failure, a match and when the abort hook is due: this counts the steps as Run does.
Matcher::Step Matcher::Execute(int& node, const std::uint8_t*& p) {
    for (;;) {
        const Step step = ExecuteNode(node, p);
        if (step != Step::kGo || pollCountdown <= 1) {
            return step;
        }
        --pollCountdown;
    }
}

inline Matcher::Step Matcher::ExecuteNode(int& node, const std::uint8_t*& p) {
    const int kind = program[node];
    const std::uint8_t* operand = program.data() + OperandOf(node);
    if (IsGroupOpen(kind) || IsGroupClose(kind)) {
        const bool open = IsGroupOpen(kind);
        const int group = kind - (open ? kGroupOpen : kGroupClose);
        auto& slot = open ? groupStart[group] : groupEnd[group];
        if (!Push(open ? kRestoreStart : kRestoreEnd, group, slot)) {
            return Step::kExhausted;
        }
        slot = p;
        node = Follow(node);
        return Step::kGo;
    }
    if (fastPaths && shapes[node] != kNoShape) {
        if (shapes[node] == kShapeLoop && loopIndex + 1 > kLoopStackSize) {
            errors.Fail(kErrLoopStackExceeded, 0);
        }
        return EnterRepeat(node, node, p);
    }
    switch (kind) {
    case kProgramEnd:
        return Step::kMatch;
    case kTextStart:
        if (p != begin) {
            return Step::kFail;
        }
        break;
    case kTextEnd:
        if (p != end) {
            return Step::kFail;
        }
        break;
    case kAnyChar:
        if (p == end) {
            return Step::kFail;
        }
        ++p;
        break;
    case kAnyButLineBreak:
        if (p == end || IsLineBreakAt(p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kLineStart:
        if (!LineStartAt(p)) {
            return Step::kFail;
        }
        break;
    case kLineEnd:
        if (!LineEndAt(p)) {
            return Step::kFail;
        }
        break;
    case kWordBoundary:
    case kNotWordBoundary:
        if ((IsWordAt(p - 1) != IsWordAt(p)) != (kind == kWordBoundary)) {
            return Step::kFail;
        }
        break;
    case kDigit:
        if (p == end || !IsDigitChar(*p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kNonDigit:
        if (p == end || IsDigitChar(*p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kSmallSet:
        if (p == end || (*p != operand[0] && *p != operand[1] && *p != operand[2])) {
            return Step::kFail;
        }
        ++p;
        break;
    case kSmallSetNot:
        if (p == end || *p == operand[0] || *p == operand[1] || *p == operand[2]) {
            return Step::kFail;
        }
        ++p;
        break;
    case kFullSet:
        if (p == end || !InSet(operand, *p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kLiteral: {
        if (CharAt(p) != operand[0]) {
            return Step::kFail;
        }
        const std::size_t length = LiteralLength(node);
        if (static_cast<std::size_t>(end - p) < length || std::memcmp(p, operand, length) != 0) {
            return Step::kFail;
        }
        p += length;
        break;
    }
    case kLiteralNoCase: {
        const std::size_t length = LiteralLength(node);
        const std::uint8_t c = CharAt(p);
        if (c != operand[0] && c != tables.invertCase[operand[0]]) {
            return Step::kFail;
        }
        if (static_cast<std::size_t>(end - p) < length) {
            return Step::kFail;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if (p[i] != operand[i] && p[i] != tables.invertCase[operand[i]]) {
                return Step::kFail;
            }
        }
        p += length;
        break;
    }
    case kBackRef:
    case kBackRefNoCase: {
        const std::uint8_t* from = nullptr;
        std::ptrdiff_t length = 0;
        if (!GroupText(operand[0], from, length)) {
            return Step::kFail;
        }
        if (!SameText(p, from, length, kind == kBackRefNoCase)) {
            return Step::kFail;
        }
        p += length;
        break;
    }
    case kEmpty:
    case kSkip:
    case kLoopBack:
        break;
    case kAlternative:
        return EnterBranch(node, node, p);
    case kSimpleStar:
    case kSimplePlus:
    case kSimpleBraces:
    case kSimpleStarLazy:
    case kSimplePlusLazy:
    case kSimpleBracesLazy:
        return EnterRepeat(node, node, p);
    case kLoopEntry:
        if (loopIndex + 1 > kLoopStackSize) {
            errors.Fail(kErrLoopStackExceeded, 0);
        }
        if (!Push(kLoopEntryUndo, node, p, loopCounter[loopIndex + 1])) {
            return Step::kExhausted;
        }
        ++loopIndex;
        loopCounter[loopIndex] = 0;
        break;
    case kLoop:
    case kLoopLazy:
        return EnterLoop(node, node, p);
    default:
        errors.Fail(kErrMemoryCorruption, 0);
    }
    node = Follow(node);
    return Step::kGo;
}

Matcher::Repeat Matcher::BuildRepeat(int head, bool shaped) const {
    const int kind = program[head];
    if (shaped) {
        switch (shapes[head]) {
        case kShapeStar: {
            const int empty = NextNode(program, NextNode(program, head));
            return {OperandOf(head), 0, kUnboundedRepeat, true, NextNode(program, empty)};
        }
        case kShapePlus: {
            const int second = NextNode(program, NextNode(program, head));
            const int empty = NextNode(program, second);
            return {head, 1, kUnboundedRepeat, true, NextNode(program, empty)};
        }
        default: {
            const int loop = NextNode(program, head);
            return {OperandOf(head), LowCount(program, loop), HighCount(program, loop),
                    program[loop] == kLoop, NextNode(program, loop)};
        }
        }
    }
    const int follower = NextNode(program, head);
    switch (kind) {
    case kSimpleStar:
        return {OperandOf(head), 0, kUnboundedRepeat, true, follower};
    case kSimpleStarLazy:
        return {OperandOf(head), 0, kUnboundedRepeat, false, follower};
    case kSimplePlus:
        return {OperandOf(head), 1, kUnboundedRepeat, true, follower};
    case kSimplePlusLazy:
        return {OperandOf(head), 1, kUnboundedRepeat, false, follower};
    default:
        return {RepeatOperand(program, head), LowCount(program, head), HighCount(program, head),
                kind == kSimpleBraces, follower};
    }
}

// How far one counted step moves: one character, or the group's text for a backreference.
std::ptrdiff_t Matcher::StepLength(int operand) const {
    const int kind = program[operand];
    if (kind != kBackRef && kind != kBackRefNoCase) {
        return 1;
    }
    const int group = program[OperandOf(operand)];
    if (group >= kMaxGroups || groupStart[group] == nullptr || groupEnd[group] == nullptr) {
        return 1;
    }
    return std::max<std::ptrdiff_t>(0, groupEnd[group] - groupStart[group]);
}

std::int32_t Matcher::CountSteps(int operand, std::int32_t max, const std::uint8_t* p) const {
    // The run of characters a node matches ends at the same place from anywhere inside it: a repeat
    // tried from many places in one run (".*" after each backslash of a long line) counts it once.
    const int kind = program[operand];
    const bool sameRun = fastPaths && kind != kBackRef && kind != kBackRefNoCase;
    CountedRun* known = sameRun ? &runs[operand] : nullptr;
    if (known != nullptr && known->from != nullptr && p < known->from && known->from - p <= max) {
        // Counted from before the known run: when it reaches the run, it ends where the run does.
        const auto gap = static_cast<std::int32_t>(known->from - p);
        const std::int32_t count = CountRun(operand, gap, p);
        if (count < gap) {
            *known = {p, p + count};
            return count;
        }
        known->from = p;
    }
    if (known != nullptr && p >= known->from && p <= known->end) {
        return static_cast<std::int32_t>(std::min<std::ptrdiff_t>(max, known->end - p));
    }
    const std::int32_t count = CountRun(operand, max, p);
    if (known != nullptr && (count < max || p + count == end)) {
        *known = {p, p + count};
    }
    return count;
}

std::int32_t Matcher::CountRun(int operand, std::int32_t max, const std::uint8_t* p) const {
    const std::uint8_t* op = program.data() + OperandOf(operand);
    const std::ptrdiff_t limit = std::min<std::ptrdiff_t>(max, end - p);
    const std::uint8_t* const stop = p + limit;
    const std::uint8_t* q = p;
    switch (program[operand]) {
    case kAnyChar:
        q = stop;
        break;
    case kLiteral:
        while (q < stop && *q == op[0]) {
            ++q;
        }
        break;
    case kLiteralNoCase: {
        const std::uint8_t other = tables.invertCase[op[0]];
        while (q < stop && (*q == op[0] || *q == other)) {
            ++q;
        }
        break;
    }
    case kDigit:
        while (q < stop && IsDigitChar(*q)) {
            ++q;
        }
        break;
    case kNonDigit:
        while (q < stop && !IsDigitChar(*q)) {
            ++q;
        }
        break;
    case kSmallSet:
        while (q < stop && (*q == op[0] || *q == op[1] || *q == op[2])) {
            ++q;
        }
        break;
    case kSmallSetNot:
        if (fastPaths) {
            const std::uint8_t* member = FindAnyOf3(q, stop, op[0], op[1], op[2]);
            q = member != nullptr ? member : stop;
        }
        while (q < stop && *q != op[0] && *q != op[1] && *q != op[2]) {
            ++q;
        }
        break;
    case kFullSet:
        while (q < stop && InSet(op, *q)) {
            ++q;
        }
        break;
    case kAnyButLineBreak:
        // Most characters cannot start a line break at all; only those that can need the full test.
        for (;;) {
            if (fastPaths && tables.breakStarts[0] >= 0) {
                const std::uint8_t* start =
                    FindEither(q, stop, static_cast<std::uint8_t>(tables.breakStarts[0]),
                               static_cast<std::uint8_t>(tables.breakStarts[1]));
                q = start != nullptr ? start : stop;
            }
            while (q < stop && !tables.breakStart[*q]) {
                ++q;
            }
            if (q == stop || IsLineBreakAt(q)) {
                break;
            }
            ++q;
        }
        break;
    case kBackRef:
    case kBackRefNoCase: {
        const std::uint8_t* from = nullptr;
        std::ptrdiff_t length = 0;
        if (!GroupText(op[0], from, length)) {
            return 0;
        }
        if (length == 0) {
            // Repetitions of an empty text consume nothing, so they are complete however few
            // characters follow: bounding them by those would let the text after a match decide it.
            return max;
        }
        std::int32_t count = 0;
        while (count < max && SameText(q, from, length, program[operand] == kBackRefNoCase)) {
            q += length;
            ++count;
        }
        return count;
    }
    default:
        errors.Fail(kErrRepeatInappropriate, 0);
    }
    return static_cast<std::int32_t>(q - p);
}

Matcher::Step Matcher::EnterRepeat(int head, int& node, const std::uint8_t*& p) {
    const Repeat& repeat = DescribeRepeat(head);
    const std::uint8_t* s = p;
    std::int32_t count = CountSteps(repeat.operand, repeat.max, p);
    // Counting and backing off are steps too, so that the abort hook is polled at a bounded interval.
    pollCountdown -= std::min(count, pollInterval);
    if (pollCountdown <= 0 && PollAbort()) {
        return Step::kAborted;
    }
    if (count < repeat.min) {
        return Step::kFail;
    }
    if (StepLength(repeat.operand) == 0) {
        // Every count of an empty step leaves the same state, so one try answers for all of them.
        count = repeat.min;
    }
    if (repeat.greedy) {
        return RepeatGreedyFrom(head, s, count, node, p);
    }
    return RepeatLazyFrom(head, s, repeat.min, count, node, p);
}

Matcher::Step Matcher::RepeatGreedyFrom(int head, const std::uint8_t* s, std::int32_t k, int& node,
                                        const std::uint8_t*& p) {
    const Repeat& repeat = DescribeRepeat(head);
    const std::ptrdiff_t step = StepLength(repeat.operand);
    std::uint8_t first = 0;
    std::uint8_t other = 0;
    bool lineEnd = false;
    bool bySet = false;
    if (fastPaths && step == 1 && k >= repeat.min &&
        (FollowUpChars(repeat.follower, first, other) ||
         (lineEnd = LineEndChars(repeat.follower, first, other)) || (bySet = repeat.standsKnown))) {
        // The follower can only begin at its first character, or a line's end only before a line
        // break's first one or at the text's end, or it can only match on some characters: look for
        // those backwards instead of trying every count. The text's end holds no character, so for a
        // literal the highest count there is skipped. When the run takes none of them, only its end
        // can hold one.
        const std::uint8_t* const low = repeat.onlyWay ? s + k : s + repeat.min;
        const auto lastFrom = [&](const std::uint8_t* high) -> const std::uint8_t* {
            if (bySet) {
                for (const std::uint8_t* at = high;; --at) {
                    if (at == end || InSet(repeat.stands.data(), *at)) {
                        return at;
                    }
                    if (at == low) {
                        return nullptr;
                    }
                }
            }
            if (!lineEnd) {
                return LastFollowUp(low, high, first, other);
            }
            for (;;) {
                if (high == end) {
                    return end;
                }
                const std::uint8_t* at = LastFollowUp(low, high, first, other);
                if (at == nullptr || LineEndAt(at)) {
                    return at;
                }
                if (at == low) {
                    return nullptr;
                }
                high = at - 1;
            }
        };
        const std::uint8_t* high = s + k;
        const FailedSpan* knownFailed = memoAllowed ? &failedSpans[head] : nullptr;
        bool none = false;
        if (knownFailed != nullptr && high >= knownFailed->from && high <= knownFailed->to) {
            // The tries from there on are known to fail.
            none = knownFailed->from <= low;
            high = none ? low : knownFailed->from - 1;
        }
        const std::uint8_t* at = none ? nullptr : lastFrom(high);
        while (at != nullptr && KnownToFail(repeat.follower, at)) {
            at = at == low ? nullptr : lastFrom(at - 1);
        }
        pollCountdown -=
            static_cast<int>(std::min<std::ptrdiff_t>(s + k - (at != nullptr ? at : low) + 1, pollInterval));
        if (pollCountdown <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if (at == nullptr) {
            NoteFailedSpan(head, s);
            return Step::kFail;
        }
        if (!repeat.onlyWay && !Push(kRepeatGreedy, head, s, static_cast<std::int32_t>(at - s))) {
            return Step::kExhausted;
        }
        node = RequireNode(repeat.follower);
        p = at;
        return Step::kGo;
    }
    const int followUp = FollowUpChar(repeat.follower);
    for (; k >= repeat.min; --k) {
        const std::uint8_t* at = s + k * step;
        if (--pollCountdown <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if ((followUp < 0 || CharAt(at) == followUp) && !KnownToFail(repeat.follower, at)) {
            if (!repeat.onlyWay && !Push(kRepeatGreedy, head, s, k)) {
                return Step::kExhausted;
            }
            node = RequireNode(repeat.follower);
            p = at;
            return Step::kGo;
        }
        if (repeat.onlyWay) {
            break; // fewer steps would put the follower on one of the run's characters
        }
    }
    return Step::kFail;
}

Matcher::Step Matcher::RepeatLazyFrom(int head, const std::uint8_t* s, std::int32_t k, std::int32_t count,
                                      int& node, const std::uint8_t*& p) {
    const Repeat& repeat = DescribeRepeat(head);
    const std::ptrdiff_t step = StepLength(repeat.operand);
    std::uint8_t first = 0;
    std::uint8_t other = 0;
    if (fastPaths && step == 1 && k <= count && FollowUpChars(repeat.follower, first, other)) {
        const std::uint8_t* at = FirstFollowUp(s + k, s + count, first, other);
        while (at != nullptr && KnownToFail(repeat.follower, at)) {
            at = at >= s + count ? nullptr : FirstFollowUp(at + 1, s + count, first, other);
        }
        pollCountdown -= static_cast<int>(
            std::min<std::ptrdiff_t>((at != nullptr ? at : s + count) - (s + k) + 1, pollInterval));
        if (pollCountdown <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if (at == nullptr) {
            return Step::kFail;
        }
        if (!Push(kRepeatLazy, head, s, static_cast<std::int32_t>(at - s), count)) {
            return Step::kExhausted;
        }
        node = RequireNode(repeat.follower);
        p = at;
        return Step::kGo;
    }
    const int followUp = FollowUpChar(repeat.follower);
    for (; k <= count; ++k) {
        const std::uint8_t* at = s + k * step;
        if (--pollCountdown <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if ((followUp < 0 || CharAt(at) == followUp) && !KnownToFail(repeat.follower, at)) {
            if (!Push(kRepeatLazy, head, s, k, count)) {
                return Step::kExhausted;
            }
            node = RequireNode(repeat.follower);
            p = at;
            return Step::kGo;
        }
    }
    return Step::kFail;
}

// The first character of a literal follower, in both cases for a case-insensitive one.
bool Matcher::FollowUpChars(int follower, std::uint8_t& first, std::uint8_t& other) const {
    if (follower < 0 || (program[follower] != kLiteral && program[follower] != kLiteralNoCase)) {
        return false;
    }
    first = program[OperandOf(follower)];
    other = program[follower] == kLiteralNoCase ? tables.invertCase[first] : first;
    return first != 0;
}

// The one or two characters a line break can begin with, when the follower is the end of a line.
bool Matcher::LineEndChars(int follower, std::uint8_t& first, std::uint8_t& other) const {
    if (follower < 0 || program[follower] != kLineEnd || tables.breakStarts[0] < 0) {
        return false;
    }
    first = static_cast<std::uint8_t>(tables.breakStarts[0]);
    other = static_cast<std::uint8_t>(tables.breakStarts[1]);
    return true;
}

// The last position in [low, high] holding `first` or `other`; the text's end never does.
const std::uint8_t* Matcher::LastFollowUp(const std::uint8_t* low, const std::uint8_t* high,
                                          std::uint8_t first, std::uint8_t other) const {
    return FindEitherBackward(low, high == end ? end : high + 1, first, other);
}

// The first position in [low, high] holding `first` or `other`; the text's end never does.
const std::uint8_t* Matcher::FirstFollowUp(const std::uint8_t* low, const std::uint8_t* high,
                                           std::uint8_t first, std::uint8_t other) const {
    return FindEither(low, high == end ? end : high + 1, first, other);
}

int Matcher::FollowUpChar(int follower) const {
    return follower >= 0 && program[follower] == kLiteral ? program[OperandOf(follower)] : -1;
}

int Matcher::RequireNode(int node) const {
    if (node < 0) {
        errors.Fail(kErrCorruptedPointers, 0);
    }
    return node;
}

// A Loop node reached from its LoopEntry or from the end of its body. Every way out that fails puts
// the loop stack back as it found it, so the counters of enclosing loops stay right.
Matcher::Step Matcher::EnterLoop(int loop, int& node, const std::uint8_t*& p) {
    if (loopIndex <= 0) {
        errors.Fail(kErrLoopWithoutEntry, 0);
    }
    const std::int32_t count = loopCounter[loopIndex];
    const std::int32_t low = LowCount(program, loop);
    const bool greedy = program[loop] == kLoop;
    if (count < low && fastPaths && RoundsOutOfReach(loop, low - count, p)) {
        return Step::kFail; // as the rounds would, without a trace on the stack
    }
    if (count < low || (greedy && count < HighCount(program, loop))) {
        if (!Push(count < low ? kLoopBodyMin : kLoopBodyMore, loop, p)) {
            return Step::kExhausted;
        }
        ++loopCounter[loopIndex];
        node = LoopBody(program, loop);
        return Step::kGo;
    }
    return LeaveLoop(loop, node, p);
}

Matcher::Step Matcher::LeaveLoop(int loop, int& node, const std::uint8_t*& p) {
    if (!Push(kLoopLeave, loop, p)) {
        return Step::kExhausted;
    }
    --loopIndex;
    node = Follow(loop);
    return Step::kGo;
}

Matcher::Step Matcher::Backtrack(int& node, const std::uint8_t*& p) {
    while (depth > 0) {
        const Frame frame = stack[--depth];
        switch (frame.kind) {
        case kRestoreStart:
            groupStart[frame.node] = frame.pos;
            break;
        case kRestoreEnd:
            groupEnd[frame.node] = frame.pos;
            break;
        case kNextBranch: {
            p = frame.pos;
            const Step step = EnterBranch(frame.node, node, p);
            if (step != Step::kFail) {
                return step;
            }
            break;
        }
        case kRepeatGreedy: {
            NoteFailure(DescribeRepeat(frame.node).follower, frame.pos + frame.k);
            const Step step = RepeatGreedyFrom(frame.node, frame.pos, frame.k - 1, node, p);
            if (step != Step::kFail) {
                return step;
            }
            break;
        }
        case kRepeatLazy: {
            NoteFailure(DescribeRepeat(frame.node).follower, frame.pos + frame.k);
            const Step step = RepeatLazyFrom(frame.node, frame.pos, frame.k + 1, frame.count, node, p);
            if (step != Step::kFail) {
                return step;
            }
            break;
        }
        case kLoopEntryUndo:
            loopCounter[loopIndex] = frame.k;
            --loopIndex;
            break;
        case kLoopBodyMin:
        case kLoopBodyLazy:
            --loopCounter[loopIndex];
            break;
        case kLoopBodyMore:
            --loopCounter[loopIndex];
            p = frame.pos;
            return LeaveLoop(frame.node, node, p);
        case kLoopLeave: {
            ++loopIndex;
            if (program[frame.node] == kLoopLazy && loopCounter[loopIndex] < HighCount(program, frame.node)) {
                if (!Push(kLoopBodyLazy, frame.node, frame.pos)) {
                    return Step::kExhausted;
                }
                ++loopCounter[loopIndex];
                node = LoopBody(program, frame.node);
                p = frame.pos;
                return Step::kGo;
            }
            break;
        }
        }
    }
    return Step::kFail;
}

} // namespace regexpr
