#include "regexpr/matcher.h"

#include "regexpr/literals.h"
#include "regexpr/regerror.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace regexpr {
namespace {

enum FrameKind : std::uint8_t {
    kRestoreStart,  // node: group number, pos: its old start
    kRestoreEnd,    // node: group number, pos: its old end
    kNextBranch,    // node: the Alternative tried last, pos: where the choice began
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

bool IsDigitChar(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

} // namespace

void Matcher::Load(Program program, const StartInfo& start) {
    program_ = program;
    start_ = start;
    clearAllGroups_ = true;
    groupsUsed_ = 1;
    for (const int node : ReachableNodes(program)) {
        // Only nodes a run can reach: bytes of a set's bitmap that look like a group's opening would
        // have every attempt clear groups that the program never sets.
        if (IsGroupOpen(program[node])) {
            groupsUsed_ = std::max(groupsUsed_, program[node] - kGroupOpen + 1);
        }
    }
    firstCharCount_ = 0;
    pairScans_[0] = pairScans_[1] = {};
    ForgetText();
    for (int c = 0; c < 256; ++c) {
        if (InSet(start_.firstChars.data(), static_cast<std::uint8_t>(c))) {
            firstCharPair_[firstCharCount_ % 2] = static_cast<std::uint8_t>(c);
            ++firstCharCount_;
            firstCharOnly_ = c;
        }
    }
    AnalyseShapes();
}

void Matcher::AnalyseShapes() {
    firstRunNode_ = kFirstNode;
    if (program_.size() > static_cast<std::size_t>(OperandOf(kFirstNode)) &&
        program_[kFirstNode] == kAlternative) {
        const int next = NextNode(program_, kFirstNode);
        if (next < 0 || program_[next] != kAlternative) {
            firstRunNode_ = OperandOf(kFirstNode);
        }
    }
    shapes_.assign(program_.size(), kNoShape);
    repeats_.assign(program_.size(), Repeat{});
    literalLengths_.assign(program_.size(), 0);
    prefixNodes_.clear();
    plainLiteral_ = -1;
    const int size = static_cast<int>(program_.size());
    const auto kindAt = [this, size](int node) { return node >= 0 && node < size ? program_[node] : -1; };
    const auto next = [this, size](int node) {
        return node >= 0 && node + kNodeSize <= size ? NextNode(program_, node) : -1;
    };
    for (const int node : ReachableNodes(program_)) {
        const int kind = program_[node];
        const int x = OperandOf(node);
        if (kind == kAlternative && kindAt(x) == kAnyButLineBreak && kindAt(next(x)) == kLoopBack &&
            next(next(x)) == node) {
            const int second = next(node);
            if (kindAt(second) == kAlternative && kindAt(OperandOf(second)) == kEmpty &&
                next(second) == OperandOf(second)) {
                shapes_[node] = kShapeStar;
            }
        }
        if (kind == kAnyButLineBreak) {
            const int first = next(node);
            const int second = next(first);
            if (kindAt(first) == kAlternative && kindAt(OperandOf(first)) == kLoopBack &&
                next(OperandOf(first)) == node && kindAt(second) == kAlternative &&
                kindAt(OperandOf(second)) == kEmpty && next(second) == OperandOf(second)) {
                shapes_[node] = kShapePlus;
            }
        }
        if (kind == kLoopEntry && kindAt(x) == kAnyButLineBreak) {
            const int loop = next(node);
            if ((kindAt(loop) == kLoop || kindAt(loop) == kLoopLazy) && next(x) == loop &&
                OperandOf(loop) + kLoopOperandSize <= size && LoopBody(program_, loop) == x) {
                shapes_[node] = kShapeLoop;
            }
        }
        if (shapes_[node] != kNoShape) {
            repeats_[node] = BuildRepeat(node, true);
        }
        if (kind == kLiteral || kind == kLiteralNoCase) {
            // A run reads the operand up to its first zero byte; the terminating zero is in the program.
            const auto* operand = reinterpret_cast<const char*>(&program_[x]);
            literalLengths_[node] =
                static_cast<std::int32_t>(strnlen(operand, static_cast<std::size_t>(size - x)));
        } else if (IsSimpleRepeat(kind)) {
            repeats_[node] = BuildRepeat(node, false);
        }
    }
    const int literal = OperandOf(kFirstNode);
    if (program_.size() > static_cast<std::size_t>(literal) && program_[kFirstNode] == kAlternative &&
        kindAt(next(kFirstNode)) == kProgramEnd && program_[literal] == kLiteral &&
        next(literal) == next(kFirstNode) && program_[OperandOf(literal)] != 0) {
        plainLiteral_ = OperandOf(literal);
        plainLiteralLength_ = std::strlen(reinterpret_cast<const char*>(&program_[plainLiteral_]));
    }
    // One branch at the top: its leading literals start every match. An empty literal (from "\x00")
    // matches only at the text's end, so the prefix ends before it.
    if (program_.size() > static_cast<std::size_t>(literal) && program_[kFirstNode] == kAlternative &&
        kindAt(next(kFirstNode)) != kAlternative) {
        for (int lead = literal;
             (kindAt(lead) == kLiteral || kindAt(lead) == kLiteralNoCase) && program_[OperandOf(lead)] != 0;
             lead = next(lead)) {
            prefixNodes_.push_back(lead);
        }
    }
    literalsStale_ = true;
}

void Matcher::AnalyseRepeats() {
    leadRepeat_ = -1;
    memoAllowed_ = false;
    const std::vector<int> reachable = ReachableNodes(program_);
    const auto count = [&](auto test) { return std::count_if(reachable.begin(), reachable.end(), test); };
    if (count([this](int node) { return program_[node] == kBackRef || program_[node] == kBackRefNoCase; }) >
        0) {
        return;
    }
    // Without loops other than the shapes run as simple repeats, and so without repeats inside
    // repeats, whether the rest of the program matches from a node and a position is all that a try
    // there can find out.
    const auto loopBacks = count([this](int node) { return program_[node] == kLoopBack; });
    const auto loopEntries = count([this](int node) { return program_[node] == kLoopEntry; });
    const auto shaped = [this, &count](Shape shape) {
        return count([this, shape](int node) { return shapes_[node] == shape; });
    };
    memoAllowed_ = loopBacks == shaped(kShapeStar) + shaped(kShapePlus) &&
                   loopEntries == shaped(kShapeLoop) && program_.size() < (std::size_t{1} << kMemoNodeBits);
    // Past the prefix, the opening of groups and the head of a single branch, to the first node that
    // matches.
    const int size = static_cast<int>(program_.size());
    int node = prefixNodes_.empty() ? kFirstNode : afterPrefix_;
    while (node >= kFirstNode && node + kNodeSize <= size) {
        const int next = NextNode(program_, node);
        if (program_[node] == kAlternative && (next < 0 || program_[next] != kAlternative)) {
            node = OperandOf(node);
        } else if (IsGroupOpen(program_[node])) {
            node = next;
        } else {
            break;
        }
    }
    if (node >= kFirstNode && node < size && (shapes_[node] != kNoShape || IsSimpleRepeat(program_[node])) &&
        repeats_[node].max >= kMaxBraces) {
        leadRepeat_ = node;
    }
}

// The strings the fast searches look for: a prefix of plain literals, else the leading literals of
// every way a match can begin, else the rarest literals that every match contains; and the line
// break characters that no match can contain, so that such literals need only be looked for in the
// line where a match would begin.
void Matcher::AnalyseLiterals() {
    afterPrefix_ = prefixNodes_.empty() ? -1 : NextNode(program_, prefixNodes_.back());
    LiteralString prefix;
    for (const int node : prefixNodes_) {
        const bool noCase = program_[node] == kLiteralNoCase;
        for (int i = 0; i < literalLengths_[node]; ++i) {
            const std::uint8_t c = program_[OperandOf(node) + i];
            prefix.push_back({c, noCase ? tables_.invertCase[c] : c});
        }
    }
    if (prefix.empty() || afterPrefix_ < 0) {
        // Only empty literals, nothing to scan for; or a broken link the plain run reports.
        prefixNodes_.clear();
        prefix.clear();
    }
    prefixLength_ = static_cast<std::ptrdiff_t>(prefix.size());
    firstScan_.Assign(start_.firstChars.data());
    AnalyseRepeats();
    std::vector<LiteralString> leading = LeadingLiterals(program_, kFirstNode, tables_.invertCase);
    if (!prefixNodes_.empty() && leading.size() <= 1) {
        leading = {prefix};
    }
    leadScan_.Assign(leading);
    const auto matchable = MatchableBytes(program_, tables_.invertCase, tables_.lineSeparator);
    const bool crMatchable = InSet(matchable.data(), '\r');
    const bool lfMatchable = InSet(matchable.data(), '\n');
    lineBound_ = !crMatchable || !lfMatchable;
    breaks_[0] = crMatchable ? '\n' : '\r';
    breaks_[1] = lfMatchable ? '\r' : '\n';
    // Only a literal rarer than a line is worth finding first; when matches begin with literals, only
    // one far rarer than those, in the line that holds it.
    constexpr int kRareEnough = 100;
    constexpr int kFarRarer = 50;
    std::vector<LiteralString> required = RequiredLiterals(program_, tables_.invertCase);
    const int frequency = required.empty() ? INT_MAX : LiteralSetFrequency(required);
    const bool worth =
        frequency <= kRareEnough &&
        (leading.empty() || (lineBound_ && frequency + kFarRarer <= LiteralSetFrequency(leading)));
    requiredScan_.Assign(worth ? required : std::vector<LiteralString>{});
}

const std::uint8_t* Matcher::CharScan::Next(const std::uint8_t* from, const std::uint8_t* end,
                                            std::uint8_t c) {
    if (base == nullptr || from < base || (next != nullptr && next < from)) {
        base = from;
        next = static_cast<const std::uint8_t*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
    }
    return next;
}

void Matcher::SetText(const std::uint8_t* begin, const std::uint8_t* limit) {
    begin_ = begin;
    end_ = limit;
    zeroFree_ = begin;
    endSettled_ = false;
    pairScans_[0] = pairScans_[1] = {};
    ForgetText();
    ClearGroups();
}

// What the fast paths learnt of the text searched last.
void Matcher::ForgetText() {
    runs_.assign(program_.size(), CountedRun{});
    failedSpans_.assign(program_.size(), FailedSpan{});
    memoOn_ = false;
}

// Whether `p`, inside the view, lies before the text's end: the first hit of a scan over the view
// counts only then, and a hit past a zero byte means there is none before it.
bool Matcher::BeforeEnd(const std::uint8_t* p) {
    if (p < zeroFree_) {
        return true;
    }
    if (p >= end_ || endSettled_) {
        return p < end_;
    }
    const void* zero = std::memchr(zeroFree_, 0, static_cast<std::size_t>(p + 1 - zeroFree_));
    if (zero == nullptr) {
        zeroFree_ = p + 1;
        return true;
    }
    end_ = zeroFree_ = static_cast<const std::uint8_t*>(zero);
    endSettled_ = true;
    return false;
}

void Matcher::SettleEnd() {
    if (!endSettled_) {
        const void* zero = std::memchr(zeroFree_, 0, static_cast<std::size_t>(end_ - zeroFree_));
        end_ = zeroFree_ = zero != nullptr ? static_cast<const std::uint8_t*>(zero) : end_;
        endSettled_ = true;
    }
}

void Matcher::ClearGroups() {
    groupStart_.fill(nullptr);
    groupEnd_.fill(nullptr);
}

void Matcher::SetAbortHook(std::function<bool()> hook, int interval) {
    abortHook_ = std::move(hook);
    pollInterval_ = std::max(1, interval);
    pollCountdown_ = pollInterval_;
}

bool Matcher::PollAbort() {
    attemptSteps_ += pollInterval_ - pollCountdown_;
    pollCountdown_ = pollInterval_;
    if (attemptSteps_ > baseSteps_ + kStepsPerCharacter * (end_ - begin_)) {
        budgetSpent_ = true;
        return true;
    }
    return abortHook_ && abortHook_();
}

bool Matcher::FindRequiredLiteral(const std::uint8_t* from) {
    const std::uint8_t* literal = &program_[start_.requiredLiteral];
    const auto length = static_cast<std::size_t>(start_.requiredLength);
    if (fastPaths_) {
        const std::string_view text(reinterpret_cast<const char*>(from), end_ - from);
        const std::size_t found = text.find(std::string_view(reinterpret_cast<const char*>(literal), length));
        return found != std::string_view::npos && (length == 0 || BeforeEnd(from + found + length - 1));
    }
    for (const std::uint8_t* p = from; p < end_; ++p) {
        if (*p == literal[0] && static_cast<std::size_t>(end_ - p) >= length &&
            std::memcmp(p, literal, length) == 0) {
            return true;
        }
    }
    return false;
}

SearchEnd Matcher::Search(const std::uint8_t* from) {
    if (literalsStale_) {
        AnalyseLiterals(); // here, as it needs the tables, which may come after the program
        literalsStale_ = false;
    }
    if (!fastPaths_) {
        SettleEnd();
    }
    if (start_.requiredLiteral >= 0 && !FindRequiredLiteral(from)) {
        return SearchEnd::kNoMatch;
    }
    loopIndex_ = 0;
    if (start_.anchored) {
        return TryMatchAt(from);
    }
    if (fastPaths_ && plainLiteral_ >= 0) {
        // A program that is one literal matches exactly where the literal first occurs.
        const std::string_view text(reinterpret_cast<const char*>(from), end_ - from);
        std::size_t found = text.find(
            std::string_view(reinterpret_cast<const char*>(&program_[plainLiteral_]), plainLiteralLength_));
        if (found != std::string_view::npos && !BeforeEnd(from + found + plainLiteralLength_ - 1)) {
            found = std::string_view::npos;
        }
        if (found != std::string_view::npos || ScanHit(std::memchr(from, start_.startChar, end_ - from))) {
            ClearGroups(); // attempts would have been made, and failed ones leave the groups cleared
        }
        if (found == std::string_view::npos) {
            return SearchEnd::kNoMatch;
        }
        groupStart_[0] = from + found;
        groupEnd_[0] = from + found + plainLiteralLength_;
        return SearchEnd::kMatch;
    }
    if (fastPaths_ && !requiredScan_.Empty()) {
        return SearchByRequired(from);
    }
    if (fastPaths_ && !leadScan_.Empty()) {
        return SearchByLeading(from);
    }
    const auto scan = [this](const std::uint8_t* p, int c) {
        return static_cast<const std::uint8_t*>(std::memchr(p, c, static_cast<std::size_t>(end_ - p)));
    };
    if (start_.startChar >= 0) {
        if (fastPaths_) {
            return AttemptEach(from, [&](const std::uint8_t* p) { return scan(p, start_.startChar); });
        }
        return AttemptEach(from, [this](const std::uint8_t* p) {
            while (p < end_ && *p != start_.startChar) {
                ++p;
            }
            return p == end_ ? nullptr : p;
        });
    }
    if (fastPaths_ && firstCharCount_ == 1) {
        return AttemptEach(from, [&](const std::uint8_t* p) { return scan(p, firstCharOnly_); });
    }
    if (fastPaths_ && firstCharCount_ == 2) {
        // Two members, as a case-insensitive literal gives: the nearer of two character scans.
        return AttemptEach(from, [this](const std::uint8_t* p) {
            const std::uint8_t* a = pairScans_[0].Next(p, end_, firstCharPair_[0]);
            const std::uint8_t* b = pairScans_[1].Next(p, end_, firstCharPair_[1]);
            return b == nullptr || (a != nullptr && a < b) ? a : b;
        });
    }
    if (fastPaths_ && firstCharCount_ == 0) {
        return SearchEnd::kNoMatch;
    }
    if (fastPaths_) {
        return AttemptEach(from, [this](const std::uint8_t* p) { return firstScan_.Find(p, end_); });
    }
    return AttemptEach(from, [this](const std::uint8_t* p) {
        while (p < end_ && !InSet(start_.firstChars.data(), *p)) {
            ++p;
        }
        return p == end_ ? nullptr : p;
    });
}

// An attempt at each candidate that `next` finds from a position on, until one ends otherwise than
// without a match. A candidate past the text's end means there are no more.
template <class Next> SearchEnd Matcher::AttemptEach(const std::uint8_t* from, Next next) {
    for (const std::uint8_t* p = from;; ++p) {
        p = next(p);
        if (p == nullptr || !BeforeEnd(p)) {
            return SearchEnd::kNoMatch;
        }
        const SearchEnd end = TryMatchAt(p);
        if (end != SearchEnd::kNoMatch) {
            return end;
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
    if (!fastPaths_ || leadRepeat_ < 0 || end_ - p < prefixLength_) {
        return p + 1;
    }
    const Repeat& repeat = DescribeRepeat(leadRepeat_);
    return std::min(end_, p + CountSteps(repeat.operand, repeat.max, p + prefixLength_) + 1);
}

// A try of a repeat's follower at a position, as one key of the table of known failures.
std::uint64_t Matcher::MemoKey(int node, const std::uint8_t* at) const {
    return ((static_cast<std::uint64_t>(at - begin_) << kMemoNodeBits) | static_cast<std::uint64_t>(node)) +
           1;
}

std::size_t Matcher::MemoSlot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kMemoBits));
}

bool Matcher::KnownToFail(int node, const std::uint8_t* at) const {
    if (!memoOn_) {
        return false;
    }
    const std::uint64_t key = MemoKey(node, at);
    return failed_[MemoSlot(key)] == key;
}

// A try of the follower that backtracking has come back from failed, whatever the attempt it was
// part of: the table keeps it once an attempt has come back from many, so that later tries there,
// in this attempt and in the next ones over the same text, fail at once. The table forgets a
// failure when another takes its slot, which costs only the try again.
void Matcher::NoteFailure(int node, const std::uint8_t* at) {
    if (!memoAllowed_ || !fastPaths_) {
        return;
    }
    if (!memoOn_) {
        if (++attemptFailures_ <= memoAfter_) {
            return;
        }
        failed_.assign(std::size_t{1} << kMemoBits, 0);
        memoOn_ = true;
    }
    const std::uint64_t key = MemoKey(node, at);
    failed_[MemoSlot(key)] = key;
}

// Every try of the follower of the greedy repeat at `head` counted from `s` failed: a later count
// from elsewhere in the same run need not try those positions again. Tries of the follower there
// fail whatever the attempt, as for NoteFailure.
void Matcher::NoteFailedSpan(int head, const std::uint8_t* s) {
    if (!memoAllowed_ || !fastPaths_) {
        return;
    }
    const Repeat& repeat = DescribeRepeat(head);
    const FailedSpan span{s + repeat.min, s + CountSteps(repeat.operand, repeat.max, s)};
    FailedSpan& known = failedSpans_[head];
    if (known.to != span.to || known.from > span.from) {
        known = span;
    }
}

// The first place in [p, limit) where a match may begin, by the leading strings when there are some,
// else by the first characters; nothing when there is none before the text's end.
const std::uint8_t* Matcher::NextStart(const std::uint8_t* p, const std::uint8_t* limit) {
    if (leadScan_.Empty()) {
        p = firstScan_.Find(p, limit);
        return p != nullptr && BeforeEnd(p) ? p : nullptr;
    }
    p = leadScan_.Find(p, limit);
    // A prefix cut by the text's end, and none can follow.
    return p != nullptr && BeforeEnd(prefixNodes_.empty() ? p : p + prefixLength_ - 1) ? p : nullptr;
}

// An attempt where NextStart found a start: after a prefix of plain literals, which makes no
// choices, it goes on from the node after it.
SearchEnd Matcher::AttemptAt(const std::uint8_t* p) {
    return prefixNodes_.empty() ? TryMatchAt(p) : TryMatchAt(p, afterPrefix_, p + prefixLength_);
}

// Only where one of the leading strings stands can a match begin, and only there is an attempt made.
// After a prefix of plain literals, which makes no choices, the attempt goes on from the node after it.
SearchEnd Matcher::SearchByLeading(const std::uint8_t* from) {
    bool attempted = false;
    for (const std::uint8_t* p = from;; ++p) {
        p = NextStart(p, end_);
        if (p == nullptr) {
            break;
        }
        attempted = true;
        const SearchEnd end = AttemptAt(p);
        if (end != SearchEnd::kNoMatch) {
            return end;
        }
        p = AfterLeadRun(p) - 1;
    }
    if (!attempted && FirstCharFrom(from)) {
        ClearAttemptGroups(); // the plain search would have made (failed) attempts
    }
    return SearchEnd::kNoMatch;
}

// Every match contains one of the required strings at or after its start: the attempts begin at the
// start of the line where the next one stands, as no match spans a line break, and go on while one
// stands further on in that line.
SearchEnd Matcher::SearchByRequired(const std::uint8_t* from) {
    bool attempted = false;
    for (const std::uint8_t* p = from; p < end_;) {
        const std::uint8_t* required = requiredScan_.Find(p, end_);
        if (required == nullptr || !BeforeEnd(required)) {
            break;
        }
        const std::uint8_t* lineStart = p;
        const std::uint8_t* lineEnd = end_;
        if (lineBound_) {
            const std::uint8_t* before = FindEitherBackward(p, required, breaks_[0], breaks_[1]);
            lineStart = before != nullptr ? before + 1 : p;
            const std::uint8_t* after = FindEither(required, end_, breaks_[0], breaks_[1]);
            lineEnd = after != nullptr ? after : end_;
        }
        for (const std::uint8_t* q = lineStart;; ++q) {
            q = NextStart(q, lineEnd);
            if (q == nullptr) {
                break;
            }
            if (q > required) {
                required = requiredScan_.Find(q, lineEnd);
                if (required == nullptr) {
                    break;
                }
            }
            attempted = true;
            const SearchEnd end = AttemptAt(q);
            if (end != SearchEnd::kNoMatch) {
                return end;
            }
            q = AfterLeadRun(q) - 1;
        }
        if (lineEnd == end_) {
            break;
        }
        p = lineEnd + 1;
    }
    if (!attempted && FirstCharFrom(from)) {
        ClearAttemptGroups(); // the plain search would have made (failed) attempts
    }
    return SearchEnd::kNoMatch;
}

bool Matcher::FirstCharFrom(const std::uint8_t* from) {
    const auto size = static_cast<std::size_t>(end_ - from);
    if (firstCharCount_ == 1) {
        return ScanHit(std::memchr(from, firstCharOnly_, size));
    }
    if (firstCharCount_ == 2) {
        // The higher code first: of a letter's two cases the lower-case one, mostly the more frequent,
        // so that the scan usually ends early.
        return ScanHit(std::memchr(from, firstCharPair_[1], size)) ||
               ScanHit(std::memchr(from, firstCharPair_[0], size));
    }
    return ScanHit(firstScan_.Find(from, end_));
}

void Matcher::ClearAttemptGroups() {
    // Groups beyond those of the program are never set by it, so after one full clearing per loaded
    // program only the program's own groups need it.
    if (groupsUsed_ == 1 && !clearAllGroups_ && fastPaths_) {
        groupStart_[0] = groupEnd_[0] = nullptr;
        return;
    }
    const int clear = (clearAllGroups_ || !fastPaths_) ? kMaxGroups : groupsUsed_;
    std::fill_n(groupStart_.begin(), clear, nullptr);
    std::fill_n(groupEnd_.begin(), clear, nullptr);
    clearAllGroups_ = false;
}

SearchEnd Matcher::TryMatchAt(const std::uint8_t* at, int node, const std::uint8_t* p) {
    if (node == kFirstNode && fastPaths_) {
        node = firstRunNode_; // past a head that makes no choice
    }
    SettleEnd();
    attemptFailures_ = 0;
    ClearAttemptGroups();
    attemptSteps_ = 0;
    budgetSpent_ = false;
    if (--pollCountdown_ <= 0 && PollAbort()) {
        return Stopped();
    }
    const SearchEnd end = Run(node, p);
    if (end == SearchEnd::kMatch) {
        groupStart_[0] = at;
    }
    return end;
}

bool Matcher::Push(std::uint8_t kind, int node, const std::uint8_t* pos, std::int32_t k, std::int32_t count) {
    if (stack_.size() >= stackLimit_) {
        return false;
    }
    stack_.push_back(Frame{pos, node, k, count, kind});
    return true;
}

SearchEnd Matcher::Run(int node, const std::uint8_t* p) {
    stack_.clear();
    for (;;) {
        if (--pollCountdown_ <= 0 && PollAbort()) {
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
            groupEnd_[0] = p;
            return SearchEnd::kMatch;
        case Step::kAborted:
            return Stopped();
        case Step::kExhausted:
            return SearchEnd::kStackExhausted;
        }
    }
}

int Matcher::Follow(int node) const {
    const int next = NextNode(program_, node);
    if (next < 0) {
        errors_.Fail(kErrCorruptedPointers, 0);
    }
    return next;
}

bool Matcher::IsLineBreakAt(const std::uint8_t* p) const {
    return tables_.lineSeparator[*p] || (*p == tables_.pairHead && CharAt(p + 1) == tables_.pairTail);
}

bool Matcher::LineStartAt(const std::uint8_t* p) const {
    if (p == begin_) {
        return true;
    }
    const std::uint8_t before = p[-1];
    if (before == tables_.pairTail && p - 1 > begin_ && p[-2] == tables_.pairHead) {
        return true;
    }
    if (before == tables_.pairHead && CharAt(p) == tables_.pairTail) {
        return false;
    }
    return tables_.lineSeparator[before];
}

bool Matcher::LineEndAt(const std::uint8_t* p) const {
    if (p >= end_) {
        return true;
    }
    if (*p == tables_.pairHead && CharAt(p + 1) == tables_.pairTail) {
        return true;
    }
    if (*p == tables_.pairTail && p > begin_ && p[-1] == tables_.pairHead) {
        return false;
    }
    return tables_.lineSeparator[*p];
}

bool Matcher::GroupText(int group, const std::uint8_t*& from, std::ptrdiff_t& length) const {
    if (group >= kMaxGroups || groupStart_[group] == nullptr || groupEnd_[group] == nullptr) {
        return false;
    }
    from = groupStart_[group];
    length = std::max<std::ptrdiff_t>(0, groupEnd_[group] - from);
    return true;
}

bool Matcher::SameText(const std::uint8_t* p, const std::uint8_t* group, std::ptrdiff_t length,
                       bool noCase) const {
    if (end_ - p < length) {
        return false;
    }
    if (!noCase) {
        return std::memcmp(p, group, length) == 0;
    }
    for (std::ptrdiff_t i = 0; i < length; ++i) {
        if (p[i] != group[i] && p[i] != tables_.invertCase[group[i]]) {
            return false;
        }
    }
    return true;
}

Matcher::Step Matcher::Execute(int& node, const std::uint8_t*& p) {
    const int kind = program_[node];
    const std::uint8_t* operand = program_.data() + OperandOf(node);
    if (IsGroupOpen(kind) || IsGroupClose(kind)) {
        const bool open = IsGroupOpen(kind);
        const int group = kind - (open ? kGroupOpen : kGroupClose);
        auto& slot = open ? groupStart_[group] : groupEnd_[group];
        if (!Push(open ? kRestoreStart : kRestoreEnd, group, slot)) {
            return Step::kExhausted;
        }
        slot = p;
        node = Follow(node);
        return Step::kGo;
    }
    if (fastPaths_ && shapes_[node] != kNoShape) {
        if (shapes_[node] == kShapeLoop && loopIndex_ + 1 > kLoopStackSize) {
            errors_.Fail(kErrLoopStackExceeded, 0);
        }
        return EnterRepeat(node, node, p);
    }
    switch (kind) {
    case kProgramEnd:
        return Step::kMatch;
    case kTextStart:
        if (p != begin_) {
            return Step::kFail;
        }
        break;
    case kTextEnd:
        if (p != end_) {
            return Step::kFail;
        }
        break;
    case kAnyChar:
        if (p == end_) {
            return Step::kFail;
        }
        ++p;
        break;
    case kAnyButLineBreak:
        if (p == end_ || IsLineBreakAt(p)) {
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
        if (p == end_ || !IsDigitChar(*p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kNonDigit:
        if (p == end_ || IsDigitChar(*p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kSmallSet:
        if (p == end_ || (*p != operand[0] && *p != operand[1] && *p != operand[2])) {
            return Step::kFail;
        }
        ++p;
        break;
    case kSmallSetNot:
        if (p == end_ || *p == operand[0] || *p == operand[1] || *p == operand[2]) {
            return Step::kFail;
        }
        ++p;
        break;
    case kFullSet:
        if (p == end_ || !InSet(operand, *p)) {
            return Step::kFail;
        }
        ++p;
        break;
    case kLiteral: {
        if (CharAt(p) != operand[0]) {
            return Step::kFail;
        }
        const std::size_t length = LiteralLength(node);
        if (static_cast<std::size_t>(end_ - p) < length || std::memcmp(p, operand, length) != 0) {
            return Step::kFail;
        }
        p += length;
        break;
    }
    case kLiteralNoCase: {
        const std::size_t length = LiteralLength(node);
        const std::uint8_t c = CharAt(p);
        if (c != operand[0] && c != tables_.invertCase[operand[0]]) {
            return Step::kFail;
        }
        if (static_cast<std::size_t>(end_ - p) < length) {
            return Step::kFail;
        }
        for (std::size_t i = 1; i < length; ++i) {
            if (p[i] != operand[i] && p[i] != tables_.invertCase[operand[i]]) {
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
    case kAlternative: {
        const int next = NextNode(program_, node);
        if (next >= 0 && program_[next] == kAlternative && !Push(kNextBranch, node, p)) {
            return Step::kExhausted;
        }
        node = OperandOf(node);
        return Step::kGo;
    }
    case kSimpleStar:
    case kSimplePlus:
    case kSimpleBraces:
    case kSimpleStarLazy:
    case kSimplePlusLazy:
    case kSimpleBracesLazy:
        return EnterRepeat(node, node, p);
    case kLoopEntry:
        if (loopIndex_ + 1 > kLoopStackSize) {
            errors_.Fail(kErrLoopStackExceeded, 0);
        }
        if (!Push(kLoopEntryUndo, node, p, loopCounter_[loopIndex_ + 1])) {
            return Step::kExhausted;
        }
        ++loopIndex_;
        loopCounter_[loopIndex_] = 0;
        break;
    case kLoop:
    case kLoopLazy:
        return EnterLoop(node, node, p);
    default:
        errors_.Fail(kErrMemoryCorruption, 0);
    }
    node = Follow(node);
    return Step::kGo;
}

Matcher::Repeat Matcher::BuildRepeat(int head, bool shaped) const {
    const int kind = program_[head];
    if (shaped) {
        switch (shapes_[head]) {
        case kShapeStar: {
            const int empty = NextNode(program_, NextNode(program_, head));
            return {OperandOf(head), 0, kUnboundedRepeat, true, NextNode(program_, empty)};
        }
        case kShapePlus: {
            const int second = NextNode(program_, NextNode(program_, head));
            const int empty = NextNode(program_, second);
            return {head, 1, kUnboundedRepeat, true, NextNode(program_, empty)};
        }
        default: {
            const int loop = NextNode(program_, head);
            return {OperandOf(head), LowCount(program_, loop), HighCount(program_, loop),
                    program_[loop] == kLoop, NextNode(program_, loop)};
        }
        }
    }
    const int follower = NextNode(program_, head);
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
        return {RepeatOperand(program_, head), LowCount(program_, head), HighCount(program_, head),
                kind == kSimpleBraces, follower};
    }
}

// How far one counted step moves: one character, or the group's text for a backreference.
std::ptrdiff_t Matcher::StepLength(int operand) const {
    const int kind = program_[operand];
    if (kind != kBackRef && kind != kBackRefNoCase) {
        return 1;
    }
    const int group = program_[OperandOf(operand)];
    if (group >= kMaxGroups || groupStart_[group] == nullptr || groupEnd_[group] == nullptr) {
        return 1;
    }
    return std::max<std::ptrdiff_t>(0, groupEnd_[group] - groupStart_[group]);
}

std::int32_t Matcher::CountSteps(int operand, std::int32_t max, const std::uint8_t* p) const {
    // The run of characters a node matches ends at the same place from anywhere inside it: a repeat
    // tried from many places in one run (".*" after each backslash of a long line) counts it once.
    const int kind = program_[operand];
    const bool sameRun = fastPaths_ && kind != kBackRef && kind != kBackRefNoCase;
    CountedRun* known = sameRun ? &runs_[operand] : nullptr;
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
    if (known != nullptr && (count < max || p + count == end_)) {
        *known = {p, p + count};
    }
    return count;
}

std::int32_t Matcher::CountRun(int operand, std::int32_t max, const std::uint8_t* p) const {
    const std::uint8_t* op = program_.data() + OperandOf(operand);
    const std::ptrdiff_t limit = std::min<std::ptrdiff_t>(max, end_ - p);
    const std::uint8_t* const stop = p + limit;
    const std::uint8_t* q = p;
    switch (program_[operand]) {
    case kAnyChar:
        q = stop;
        break;
    case kLiteral:
        while (q < stop && *q == op[0]) {
            ++q;
        }
        break;
    case kLiteralNoCase: {
        const std::uint8_t other = tables_.invertCase[op[0]];
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
        if (fastPaths_) {
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
            if (fastPaths_ && tables_.breakStarts[0] >= 0) {
                const std::uint8_t* start =
                    FindEither(q, stop, static_cast<std::uint8_t>(tables_.breakStarts[0]),
                               static_cast<std::uint8_t>(tables_.breakStarts[1]));
                q = start != nullptr ? start : stop;
            }
            while (q < stop && !tables_.breakStart[*q]) {
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
        while (count < max && SameText(q, from, length, program_[operand] == kBackRefNoCase)) {
            q += length;
            ++count;
        }
        return count;
    }
    default:
        errors_.Fail(kErrRepeatInappropriate, 0);
    }
    return static_cast<std::int32_t>(q - p);
}

Matcher::Step Matcher::EnterRepeat(int head, int& node, const std::uint8_t*& p) {
    const Repeat& repeat = DescribeRepeat(head);
    const std::uint8_t* s = p;
    std::int32_t count = CountSteps(repeat.operand, repeat.max, p);
    // Counting and backing off are steps too, so that the abort hook is polled at a bounded interval.
    pollCountdown_ -= std::min(count, pollInterval_);
    if (pollCountdown_ <= 0 && PollAbort()) {
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
    if (fastPaths_ && step == 1 && k >= repeat.min && FollowUpChars(repeat.follower, first, other)) {
        // The follower can only begin at its first character: look for that backwards instead of
        // trying every count. The text's end holds no character, so the highest count there is skipped.
        const std::uint8_t* const low = s + repeat.min;
        const std::uint8_t* high = s + k;
        const FailedSpan* failed = memoAllowed_ ? &failedSpans_[head] : nullptr;
        bool none = false;
        if (failed != nullptr && high >= failed->from && high <= failed->to) {
            // The tries from there on are known to fail.
            none = failed->from <= low;
            high = none ? low : failed->from - 1;
        }
        const std::uint8_t* at = none ? nullptr : LastFollowUp(low, high, first, other);
        while (at != nullptr && KnownToFail(repeat.follower, at)) {
            at = at == low ? nullptr : LastFollowUp(low, at - 1, first, other);
        }
        pollCountdown_ -=
            static_cast<int>(std::min<std::ptrdiff_t>(s + k - (at != nullptr ? at : low) + 1, pollInterval_));
        if (pollCountdown_ <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if (at == nullptr) {
            NoteFailedSpan(head, s);
            return Step::kFail;
        }
        if (!Push(kRepeatGreedy, head, s, static_cast<std::int32_t>(at - s))) {
            return Step::kExhausted;
        }
        node = RequireNode(repeat.follower);
        p = at;
        return Step::kGo;
    }
    const int followUp = FollowUpChar(repeat.follower);
    for (; k >= repeat.min; --k) {
        const std::uint8_t* at = s + k * step;
        if (--pollCountdown_ <= 0 && PollAbort()) {
            return Step::kAborted;
        }
        if ((followUp < 0 || CharAt(at) == followUp) && !KnownToFail(repeat.follower, at)) {
            if (!Push(kRepeatGreedy, head, s, k)) {
                return Step::kExhausted;
            }
            node = RequireNode(repeat.follower);
            p = at;
            return Step::kGo;
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
    if (fastPaths_ && step == 1 && k <= count && FollowUpChars(repeat.follower, first, other)) {
        const std::uint8_t* at = FirstFollowUp(s + k, s + count, first, other);
        while (at != nullptr && KnownToFail(repeat.follower, at)) {
            at = at >= s + count ? nullptr : FirstFollowUp(at + 1, s + count, first, other);
        }
        pollCountdown_ -= static_cast<int>(
            std::min<std::ptrdiff_t>((at != nullptr ? at : s + count) - (s + k) + 1, pollInterval_));
        if (pollCountdown_ <= 0 && PollAbort()) {
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
        if (--pollCountdown_ <= 0 && PollAbort()) {
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
    if (follower < 0 || (program_[follower] != kLiteral && program_[follower] != kLiteralNoCase)) {
        return false;
    }
    first = program_[OperandOf(follower)];
    other = program_[follower] == kLiteralNoCase ? tables_.invertCase[first] : first;
    return first != 0;
}

// The last position in [low, high] holding `first` or `other`; the text's end never does.
const std::uint8_t* Matcher::LastFollowUp(const std::uint8_t* low, const std::uint8_t* high,
                                          std::uint8_t first, std::uint8_t other) const {
    return FindEitherBackward(low, high == end_ ? end_ : high + 1, first, other);
}

// The first position in [low, high] holding `first` or `other`; the text's end never does.
const std::uint8_t* Matcher::FirstFollowUp(const std::uint8_t* low, const std::uint8_t* high,
                                           std::uint8_t first, std::uint8_t other) const {
    return FindEither(low, high == end_ ? end_ : high + 1, first, other);
}

int Matcher::FollowUpChar(int follower) const {
    return follower >= 0 && program_[follower] == kLiteral ? program_[OperandOf(follower)] : -1;
}

int Matcher::RequireNode(int node) const {
    if (node < 0) {
        errors_.Fail(kErrCorruptedPointers, 0);
    }
    return node;
}

// A Loop node reached from its LoopEntry or from the end of its body. Every way out that fails puts
// the loop stack back as it found it, so the counters of enclosing loops stay right.
Matcher::Step Matcher::EnterLoop(int loop, int& node, const std::uint8_t*& p) {
    if (loopIndex_ <= 0) {
        errors_.Fail(kErrLoopWithoutEntry, 0);
    }
    const std::int32_t count = loopCounter_[loopIndex_];
    const std::int32_t low = LowCount(program_, loop);
    const bool greedy = program_[loop] == kLoop;
    if (count < low || (greedy && count < HighCount(program_, loop))) {
        if (!Push(count < low ? kLoopBodyMin : kLoopBodyMore, loop, p)) {
            return Step::kExhausted;
        }
        ++loopCounter_[loopIndex_];
        node = LoopBody(program_, loop);
        return Step::kGo;
    }
    return LeaveLoop(loop, node, p);
}

Matcher::Step Matcher::LeaveLoop(int loop, int& node, const std::uint8_t*& p) {
    if (!Push(kLoopLeave, loop, p)) {
        return Step::kExhausted;
    }
    --loopIndex_;
    node = Follow(loop);
    return Step::kGo;
}

Matcher::Step Matcher::Backtrack(int& node, const std::uint8_t*& p) {
    while (!stack_.empty()) {
        const Frame frame = stack_.back();
        stack_.pop_back();
        switch (frame.kind) {
        case kRestoreStart:
            groupStart_[frame.node] = frame.pos;
            break;
        case kRestoreEnd:
            groupEnd_[frame.node] = frame.pos;
            break;
        case kNextBranch: {
            const int branch = NextNode(program_, frame.node);
            const int after = NextNode(program_, branch);
            if (after >= 0 && program_[after] == kAlternative && !Push(kNextBranch, branch, frame.pos)) {
                return Step::kExhausted;
            }
            node = OperandOf(branch);
            p = frame.pos;
            return Step::kGo;
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
            loopCounter_[loopIndex_] = frame.k;
            --loopIndex_;
            break;
        case kLoopBodyMin:
        case kLoopBodyLazy:
            --loopCounter_[loopIndex_];
            break;
        case kLoopBodyMore:
            --loopCounter_[loopIndex_];
            p = frame.pos;
            return LeaveLoop(frame.node, node, p);
        case kLoopLeave: {
            ++loopIndex_;
            if (program_[frame.node] == kLoopLazy &&
                loopCounter_[loopIndex_] < HighCount(program_, frame.node)) {
                if (!Push(kLoopBodyLazy, frame.node, frame.pos)) {
                    return Step::kExhausted;
                }
                ++loopCounter_[loopIndex_];
                node = LoopBody(program_, frame.node);
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
