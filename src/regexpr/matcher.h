// The backtracking interpreter of compiled programs and the search for the first match from a position.
// Choices and undo records live on an explicit, bounded stack instead of native recursion, so a
// repeat over a long text or a deep nesting cannot overflow the thread's stack: a search that would
// need more ends as a failed search.
#pragma once

#include "regexpr/analysis.h"
#include "regexpr/compiler.h"
#include "regexpr/linefilter.h"
#include "regexpr/program.h"
#include "regexpr/scan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace regexpr {

enum class SearchEnd {
    kMatch,
    kNoMatch,
    kAborted,        // the abort hook asked to stop
    kStackExhausted, // the backtracking stack reached its bound
    kStepsExhausted, // one attempt took more steps than its budget: a runaway expression
};

// What the matcher reads of the engine's settings; the engine rebuilds it only after one changed.
struct MatchTables {
    const std::uint8_t* invertCase = nullptr; // 256 entries
    std::array<bool, 256> wordChar{};
    std::array<bool, 256> lineSeparator{};
    std::array<bool, 256> breakStart{};     // a separator or the paired separator's head
    std::array<int, 2> breakStarts{-1, -1}; // those characters when there are one or two (one twice)
    int pairHead = -1;                      // -1: no paired separator
    int pairTail = -1;
};

class Matcher {
public:
    static constexpr int kLoopStackSize = 10;
    static constexpr std::size_t kDefaultStackLimit = std::size_t{1} << 22; // frames of 24 bytes
    static constexpr int kDefaultPollInterval = 4096;
    // The steps one attempt may take: this many, and kStepsPerCharacter more for each character of the
    // text. An ordinary expression takes a few steps per character it passes over, even one that runs
    // to the text's end with /s; one that nests repeats over a line of 30 letters takes billions. At
    // the 200 million steps a second of a 2020s desktop the base ends such a search in a second or two.
    static constexpr std::int64_t kDefaultBaseSteps = std::int64_t{1} << 28;
    static constexpr std::int64_t kStepsPerCharacter = 8;

    explicit Matcher(ErrorSink& errors) : errors(errors) {}

    // An item of a loop matched in one pass (see loop_match.cpp): a run of `min` to `max` characters
    // of `chars`, as long as it goes; a single character when both are 1.
    struct LoopItem {
        ByteSet chars;
        std::int32_t min;
        std::int32_t max;
    };

    // The program stays owned by the caller and must outlive its use here.
    void Load(Program program, const StartInfo& start);
    // The text is [begin, limit) up to its first zero byte, which is looked for only as far as a
    // search needs: one that finds nothing in a long text scans it once, not twice.
    void SetText(const std::uint8_t* begin, const std::uint8_t* limit);
    bool AtOrBeforeEnd(const std::uint8_t* p) { return p == begin || BeforeEnd(p - 1); }
    void SetTables(const MatchTables& tables);
    void SetFastPaths(bool on);
    void SetMemoThreshold(int failures);
    void SetStackLimit(std::size_t frames);
    void SetBaseSteps(std::int64_t steps);
    void SetAbortHook(std::function<bool()> hook, int interval);
    void ClearGroups();

    // One search from `from` on: the required literal first, when the program has one, then the
    // attempts at the candidate positions.
    SearchEnd Search(const std::uint8_t* from);

    const std::uint8_t* GroupStart(int n) const { return groupStart[n]; }
    const std::uint8_t* GroupEnd(int n) const { return groupEnd[n]; }

private:
    struct Frame {
        const std::uint8_t* pos;
        std::int32_t node;
        std::int32_t k;
        std::int32_t count;
        std::uint8_t kind;
    };
    struct Repeat {
        int operand = -1;
        std::int32_t min = 0;
        std::int32_t max = 0;
        bool greedy = true;
        int follower = -1;
        // What the follower can match at, short of the text's end, when that is known: a greedy run
        // gives back only to those characters, and none when the operand takes none of them.
        bool standsKnown = false;
        bool onlyWay = false;
        std::array<std::uint8_t, 32> stands{};
    };
    enum class Step { kGo, kFail, kMatch, kAborted, kExhausted };
    // A way through the program that makes no choice: characters of a set each, perhaps a greedy run of
    // a class at the end, and where its groups start and end (an offset of -1: at the match's end).
    struct GroupMark {
        int group;
        bool start;
        std::int32_t offset;
    };
    struct FixedWay {
        std::vector<std::array<std::uint8_t, 32>> chars;
        int runOperand = -1;
        std::int32_t runMin = 0;
        std::int32_t runMax = 0;
        std::vector<GroupMark> marks;
    };

    // An attempt at `at`, which may begin further on, at `node` and `p`, when the nodes before make no
    // choice.
    SearchEnd TryMatchAt(const std::uint8_t* at) { return TryMatchAt(at, kFirstNode, at); }
    SearchEnd TryMatchAt(const std::uint8_t* at, int node, const std::uint8_t* p);
    SearchEnd Run(int node, const std::uint8_t* p);
    Step Execute(int& node, const std::uint8_t*& p);
    Step ExecuteNode(int& node, const std::uint8_t*& p);
    Step Backtrack(int& node, const std::uint8_t*& p);
    bool Push(std::uint8_t kind, int node, const std::uint8_t* pos, std::int32_t k = 0,
              std::int32_t count = 0);
    bool GrowStack();

    // Tries the first branch of a choice from `branch` on that can begin at `p`, with a choice point
    // at the next such one; without the fast paths, every branch can.
    Step EnterBranch(int branch, int& node, const std::uint8_t* p);
    int BranchFrom(int branch, const std::uint8_t* p) const;
    void AnalyseBranches();
    Step EnterRepeat(int head, int& node, const std::uint8_t*& p);
    Step RepeatGreedyFrom(int head, const std::uint8_t* s, std::int32_t k, int& node, const std::uint8_t*& p);
    Step RepeatLazyFrom(int head, const std::uint8_t* s, std::int32_t k, std::int32_t count, int& node,
                        const std::uint8_t*& p);
    const Repeat& DescribeRepeat(int head) const { return repeats[head]; }
    Repeat BuildRepeat(int head, bool shaped) const;
    bool FollowUpChars(int follower, std::uint8_t& first, std::uint8_t& other) const;
    bool LineEndChars(int follower, std::uint8_t& first, std::uint8_t& other) const;
    const std::uint8_t* LastFollowUp(const std::uint8_t* low, const std::uint8_t* high, std::uint8_t first,
                                     std::uint8_t other) const;
    const std::uint8_t* FirstFollowUp(const std::uint8_t* low, const std::uint8_t* high, std::uint8_t first,
                                      std::uint8_t other) const;
    std::int32_t CountSteps(int operand, std::int32_t max, const std::uint8_t* p) const;
    std::int32_t CountRun(int operand, std::int32_t max, const std::uint8_t* p) const;
    std::ptrdiff_t StepLength(int operand) const;
    Step EnterLoop(int loop, int& node, const std::uint8_t*& p);
    Step LeaveLoop(int loop, int& node, const std::uint8_t*& p);

    int Follow(int node) const;
    int RequireNode(int node) const;
    int FollowUpChar(int follower) const;
    std::size_t LiteralLength(int node) const { return static_cast<std::size_t>(literalLengths[node]); }
    const std::uint8_t* NextStart(const std::uint8_t* p, const std::uint8_t* limit);
    SearchEnd AttemptAt(const std::uint8_t* p);
    bool RunEndAllows(const std::uint8_t* p, const std::uint8_t*& matchEnd);
    const std::uint8_t* RunEndOf(const std::uint8_t* p);
    bool FollowerCanStand(const std::uint8_t* p);
    SearchEnd MatchRunFollowerAt(const std::uint8_t* p);
    int AddLoopItems(int node, std::vector<LoopItem>& items) const;
    int AddLoopOfGroup(int node, std::vector<LoopItem>& body, int& group, std::int32_t& low,
                       std::int32_t& high) const;
    void AnalyseLoopItems();
    bool LoopItemsMatchAt(const std::vector<LoopItem>& items, const std::uint8_t*& p) const;
    SearchEnd MatchLoopAt(const std::uint8_t* p);
    bool AddFixedChars(int node, std::vector<std::array<std::uint8_t, 32>>& chars) const;
    bool AddFixedWays(int node, FixedWay way, int& budget);
    SearchEnd MatchFixedWayAt(const std::uint8_t* p);
    void AnalyseWayScans(int leadFrequency);
    const std::uint8_t* NextFixedWay(const std::uint8_t* p, const std::uint8_t* limit);
    void AnalyseOnlyWays();
    void AnalyseRunEnd();
    void AnalyseRunEndScan(int& leadFrequency);
    const std::uint8_t* NextRunBeforeItems(const std::uint8_t* p, const std::uint8_t* limit,
                                           const TSetSequenceScan& scan);
    void ChooseRunEndScan();
    void AnalyseRunBack(int leadFrequency);
    const std::uint8_t* NextRunBack(const std::uint8_t* p, const std::uint8_t* limit);
    const std::uint8_t* NextLineEnd(const std::uint8_t* p, const std::uint8_t* limit) const;
    bool ItemsStandAt(const std::uint8_t* at) const;
    int FirstMatchingNode(int node) const;
    const std::uint8_t* NextLineStart(const std::uint8_t* p) const;
    std::ptrdiff_t RunBackOffset() const;
    // Whether items besides the prefix come before runRepeat.
    bool ItemsBeforeRun() const { return runOffset != prefixLength || lineStartItem >= 0; }
    SearchEnd SearchByLeading(const std::uint8_t* from);
    SearchEnd SearchByRequired(const std::uint8_t* from);
    SearchEnd SearchPlainRun(const std::uint8_t* from);
    void AnalyseOptionalLead();
    void PassSettings();
    bool IsNode(int node) const {
        return node >= kFirstNode && node + kNodeSize <= static_cast<int>(program.size());
    }
    int KindAt(int node) const { return IsNode(node) ? program[node] : -1; }
    bool OneBranchAtTop() const;
    int PassThrough(int node) const;
    bool TakesACharacter(int node) const;
    int OneCharWide(int node, int join, ByteSet& chars, std::vector<int>& groups) const;
    SearchEnd SearchByRest(const std::uint8_t* from);
    const std::uint8_t* NextRunBeforeFollower(const std::uint8_t* p, const std::uint8_t* limit);
    std::vector<LiteralString> LeadRunFollower() const;
    std::optional<bool> OperandTakes(int operand, std::uint8_t c) const;
    std::array<std::uint8_t, 32> OperandSet(int operand) const;
    template <class Next> SearchEnd AttemptEach(const std::uint8_t* from, Next next);
    bool FirstCharFrom(const std::uint8_t* from);
    SearchEnd NoMatchFrom(const std::uint8_t* from, bool attempted);
    bool RequiredAhead(const std::uint8_t* from);
    void AnalyseLeastCount();
    ByteSet LiteralBytes() const;
    const std::uint8_t* PassedOver(const std::uint8_t* p);
    const std::uint8_t* LineRuledOut(const std::uint8_t* p);
    const std::uint8_t* StartsRuledOut(const std::uint8_t* p);
    void AnalyseLineFilter();
    void AnalyseMostCount();
    void AnalyseRoundNeeds();
    bool RoundsOutOfReach(int loop, std::int32_t rounds, const std::uint8_t* p);
    const std::uint8_t* EarliestStart(const std::uint8_t* q, const std::uint8_t* required) const;
    void AnalyseLiterals();
    void AnalyseRepeats(const LiteralString& prefix);
    std::uint64_t MemoKey(int node, const std::uint8_t* at) const;
    static std::size_t MemoSlot(std::uint64_t key);
    bool KnownToFail(int node, const std::uint8_t* at) const;
    void NoteFailure(int node, const std::uint8_t* at);
    void NoteFailedSpan(int head, const std::uint8_t* s);
    void ForgetText();
    const std::uint8_t* AfterLeadRun(const std::uint8_t* p) const;
    void ClearAttemptGroups();
    // Mostly answered by the first test, inline: it is asked at every match.
    bool BeforeEnd(const std::uint8_t* p) { return p < zeroFree || BeforeEndSettling(p); }
    bool BeforeEndSettling(const std::uint8_t* p);
    // Whether a scan's first hit (nothing when it found none) lies before the text's end.
    bool ScanHit(const void* hit) {
        return hit != nullptr && BeforeEnd(static_cast<const std::uint8_t*>(hit));
    }
    void SettleEnd();
    std::uint8_t CharAt(const std::uint8_t* p) const { return p < end ? *p : 0; }
    bool IsLineBreakAt(const std::uint8_t* p) const;
    bool LineStartAt(const std::uint8_t* p) const;
    bool LineEndAt(const std::uint8_t* p) const;
    bool IsWordAt(const std::uint8_t* p) const { return p >= begin && p < end && tables.wordChar[*p]; }
    // Where the text that group `group` last matched begins and how long it is; false when it has none.
    bool GroupText(int group, const std::uint8_t*& from, std::ptrdiff_t& length) const;
    bool SameText(const std::uint8_t* p, const std::uint8_t* group, std::ptrdiff_t length, bool noCase) const;
    bool FindRequiredLiteral(const std::uint8_t* from);
    bool PollAbort();
    SearchEnd Stopped() const { return budgetSpent ? SearchEnd::kStepsExhausted : SearchEnd::kAborted; }
    void AnalyseShapes();

    ErrorSink& errors;
    Program program;
    StartInfo startInfo;
    MatchTables tables;
    const std::uint8_t* begin = nullptr;
    // The text's end once settled; until then the view's end, which only scans may use, each hit
    // checked with BeforeEnd. Every attempt settles it first.
    const std::uint8_t* end = nullptr;
    const std::uint8_t* zeroFree = nullptr; // no zero byte before this
    bool endSettled = false;

    std::array<const std::uint8_t*, kMaxGroups> groupStart{};
    std::array<const std::uint8_t*, kMaxGroups> groupEnd{};
    int groupsUsed = kMaxGroups; // groups the program can set, group 0 included
    bool clearAllGroups = true;
    std::array<std::int32_t, kLoopStackSize + 1> loopCounter{};
    int loopIndex = 0;

    // Frames below `depth` are live; the storage only grows, so that a push is a store and a count.
    std::vector<Frame> stack;
    std::size_t depth = 0;
    std::size_t stackLimit = kDefaultStackLimit;
    std::function<bool()> abortHook;
    int pollInterval = kDefaultPollInterval;
    int pollCountdown = kDefaultPollInterval;
    std::int64_t baseSteps = kDefaultBaseSteps;
    std::int64_t attemptSteps = 0; // steps of the attempt under way, counted at each poll
    bool budgetSpent = false;

    bool fastPaths = true;
    std::vector<std::uint8_t> shapes;         // per node: a repeat of AnyButLineBreak run as a simple repeat
    std::vector<Repeat> repeats;              // per node: how a repeat head (or a shaped node) counts
    std::vector<std::int32_t> literalLengths; // per node: the operand length of a literal
    // The literal nodes every match begins with, in order: an attempt where they do not match fails
    // before it makes any choice, so it need not be made.
    std::vector<int> prefixNodes;
    int afterPrefix = -1; // the node after the prefix, and the prefix's length
    std::ptrdiff_t prefixLength = 0;
    TLiteralScan leadScan;     // the prefix, or the leading literals of every way a match begins
    TLiteralScan requiredScan; // when there are none: literals every match contains, if rare enough
    TLiteralScan followerScan; // the literals after the lead repeat, when its run must end there
    // The sets of a match's first characters, when they say more than its leading literal does.
    TSetSequenceScan leadSetScan;
    // The items that end the lead repeat's run, when they are the rarest part of a match; after a
    // character of the run when it takes one at least (runEndLead 1).
    TSetSequenceScan runEndScan;
    std::ptrdiff_t runEndLead = 0;
    // That scan when the frequencies rated it no rarer than leadSetScan: the text's first stretch
    // decides between them (see ChooseRunEndScan), once a text.
    TSetSequenceScan runEndSpare;
    bool sampleRunEnd = false;
    bool runEndByText = false;
    bool textSampled = false;
    std::vector<std::array<std::uint8_t, 32>> runEndItems; // see AnalyseRunEnd
    std::ptrdiff_t runEndOutside = 0;                      // the item that ends the run
    bool followerStandsKnown = false; // the run repeat's follower stands only on some characters
    bool runEndDecides = false;       // they are all the program has after its lead
    // Or the run's follower, when its items decide the match (see AnalyseRunEnd).
    std::vector<ByteSet> followerItems;
    // A program of items, a greedy loop of a group of items, and more items, when one pass matches
    // it (see AnalyseLoopItems); the body is empty otherwise.
    std::vector<LoopItem> loopHead;
    std::vector<LoopItem> loopBody;
    std::vector<LoopItem> loopTail;
    int loopGroup = -1;
    std::int32_t loopLow = 0;
    std::int32_t loopHigh = 0;
    // Every way a match can go, in the order an attempt tries them, when none makes a choice (see
    // AddFixedWays); empty otherwise.
    std::vector<FixedWay> fixedWays;
    // Per fixed way, when the ways' characters are rarer than the sets a match begins with, as the
    // ways of \\?[A-Z]: or x?[A-Z]: all hold the colon: a scan for the way's characters, and where it
    // found them last, from `base` on below `limit` (nothing when it found none).
    struct WayScan {
        TSetSequenceScan scan;
        const std::uint8_t* base = nullptr;
        const std::uint8_t* limit = nullptr;
        const std::uint8_t* next = nullptr;
    };
    std::vector<WayScan> wayScans;
    // How the lead repeat's run is found back from where it must end (see AnalyseRunBack): from the
    // next line end, or from the next place where runBackScan finds a string the follower begins with.
    enum class RunBack { kNone, kLineEnd, kFollower };
    RunBack runBack = RunBack::kNone;
    TLiteralScan runBackScan;
    // Per Alternative node: the index in branchSets of the bytes its branch can begin with, or -1 when
    // it can begin with any. A branch that cannot begin at a position is passed over.
    std::vector<std::int32_t> branchBytes;
    std::vector<std::array<std::uint8_t, 32>> branchSets;
    TByteSetScan firstScan;         // the characters a match may begin with
    TByteSetScan plainRunScan;      // those the plain run's class takes, for counting its runs
    bool beginsAtLineStart = false; // every match begins at the start of a line
    TByteSetScan separatorScan;     // then the line separators, after which lines start
    int firstRunNode = kFirstNode;  // where an attempt starts: past a top Alternative of one branch
    int leadRepeat = -1;            // a repeat without upper bound that every match begins with
    int runRepeat = -1;             // a repeat that every match begins with, bounded or not
    std::ptrdiff_t runOffset = 0;   // how far into a match runRepeat starts
    // The characters of the items before runRepeat, the prefix's first, one set each; where among them
    // a line must start (-1 nowhere).
    std::vector<std::array<std::uint8_t, 32>> runItems;
    std::ptrdiff_t lineStartItem = -1;
    // What runRepeat takes, when it takes a character by its value; how far into a match a run of
    // those found back begins (see RunBackOffset).
    std::array<std::uint8_t, 32> runChars{};
    TByteSetScan runCharsScan; // runChars, for the run that ends where a match's run must end
    std::ptrdiff_t runBackOffset = 0;
    bool lineBound = false;                // some line break character cannot be in a match
    std::uint8_t breaks[2] = {'\r', '\n'}; // those characters (one twice when one can be)
    // A byte that every match holds at least twice, and how often; -1 when none or matches can span
    // lines.
    int countByte = -1;
    std::int32_t countLeast = 0;
    // A filter is asked while it rules out at least a quarter of what it is asked about. One that
    // does not is set aside for a stretch of lines, twice as long each time, and tried again: the
    // lines of a catalog change from one folder to the next, and a run of lines that match switched
    // the filter off for the rest of the catalog, which then took twice as long.
    struct FilterTrial {
        static constexpr std::int32_t kAsks = 1024;
        static constexpr std::int32_t kLongestRest = kAsks << 6;
        std::int32_t asked = 0;
        std::int32_t ruledOut = 0;
        std::int32_t resting = 0; // lines before the next trial
        std::int32_t rest = kAsks;
        // Whether the filter is to be asked about the next line: not while it rests.
        bool Awake() {
            if (resting == 0) {
                return true;
            }
            --resting;
            return false;
        }
        // Counts an ask, and whether the filter ruled out what it was asked about.
        void Asked(bool wasRuledOut) {
            ruledOut += wasRuledOut ? 1 : 0;
            if (++asked < kAsks) {
                return;
            }
            if (ruledOut >= kAsks / 4) {
                rest = kAsks;
            } else {
                resting = rest;
                rest = std::min(rest * 2, kLongestRest);
            }
            asked = ruledOut = 0;
        }
    };
    // For a program with a loop of groups, when a match lies in a line: the lines it cannot match in,
    // and the line it let through last, from where it looked to the line's break (or the text's end);
    // read backward, the starts in that line where a match may begin, one bit each from there on.
    TLineFilter lineFilter;
    FilterTrial lineTrial;
    const std::uint8_t* lineLetThrough = nullptr;
    const std::uint8_t* letThroughEnd = nullptr;
    TLineFilter startFilter;
    FilterTrial startTrial;
    std::vector<std::uint64_t> startMarks;
    bool startsMarked = false; // the marks are those of the line let through last
    // A byte that a match holds at most a few times, and how many; -1 when none.
    int mostByte = -1;
    std::int32_t mostCount = 0;
    bool countToLineEnd = false; // every match ends where a line does: mostByte counts to there
    // Per counted loop that must go round, when a match lies in a line: a byte that each round holds
    // at least perRound times and what follows the loop at least `after` times; byte -1 for none.
    struct RoundNeed {
        int byte = -1;
        std::int32_t perRound = 0;
        std::int32_t after = 0;
    };
    std::vector<RoundNeed> roundNeeds; // empty when no loop has one
    // A line's rest from `from` to its end, and where the last few of a byte stand in it, the last
    // first.
    struct LineTail {
        static constexpr int kKept = 8;
        const std::uint8_t* from = nullptr;
        const std::uint8_t* lineEnd = nullptr;
        int byte = -1;
        int found = 0;
        std::array<const std::uint8_t*, kKept> last{};
    };
    LineTail tail;
    int tailKept = 0;          // how many of the byte a tail keeps: as many as a loop needs, up to kKept
    bool literalsStale = true; // the scans and breaks above are yet to be worked out
    int plainLiteral = -1;     // operand offset when the whole program is one literal
    std::size_t plainLiteralLength = 0;
    int plainRun = -1; // the repeat node when the whole program is one repeat of a class
    int firstCharCount = 0;
    int firstCharOnly = -1;
    std::uint8_t firstCharPair[2] = {0, 0};

    // The first place at or after a position that `find` finds, remembered between the searches for
    // the further matches of one text: a rare character or literal would otherwise be looked for up
    // to the text's end once per match.
    struct KeptScan {
        const std::uint8_t* base = nullptr; // where the last scan began
        const std::uint8_t* next = nullptr; // what it found; nothing when there is none
        template <class Find> const std::uint8_t* Next(const std::uint8_t* from, Find find) {
            if (base == nullptr || from < base || (next != nullptr && next < from)) {
                base = from;
                next = find(from);
            }
            return next;
        }
    };
    KeptScan pairScans[2];
    // When no scan finds a match's start by them: literals every match contains, and where the next
    // one of them stands; no match begins after the last.
    TLiteralScan presenceScan;
    KeptScan presence;
    // Per node: the last run of characters that the node, repeated, matched to its true end.
    struct CountedRun {
        const std::uint8_t* from = nullptr;
        const std::uint8_t* end = nullptr;
    };
    mutable std::vector<CountedRun> runs;
    // Per greedy repeat: positions where each try of its follower failed.
    struct FailedSpan {
        const std::uint8_t* from = nullptr;
        const std::uint8_t* to = nullptr;
    };
    std::vector<FailedSpan> failedSpans;

    // When a match begins with an optional item one character wide, as in \\?[a-z]+\d or (\\|_)?\d+,
    // and no scan finds its start by more than its first characters: the rest of the program, on a
    // matcher of its own, which finds where the rest can match by its own scans. A match begins
    // where the rest's first match does, or one character before, on a character of the item, and
    // mostly is that match.
    std::vector<std::uint8_t> restCode;
    std::unique_ptr<Matcher> rest;
    bool byRest = false; // the search goes by it
    ByteSet optionalChars{};
    std::vector<int> optionalGroups; // the groups that hold the item
    bool optionalLazy = false;       // the item is tried after the rest

    // Tries of repeat followers known to fail in the text, when the program lets the position and the
    // node decide it (memoAllowed); kept from the first attempt that comes back from many tries on.
    static constexpr int kMemoNodeBits = 24;
    static constexpr int kMemoBits = 17;
    static constexpr int kDefaultMemoThreshold = 64;
    int memoAfter = kDefaultMemoThreshold;
    bool memoAllowed = false;
    bool memoOn = false;
    int attemptFailures = 0;
    std::vector<std::uint64_t> failed;
};

} // namespace regexpr
