#include "regexpr/compiler.h"

#include "regexpr/modifiers.h"
#include "regexpr/program.h"
#include "regexpr/regerror.h"

#include <bitset>
#include <cstring>
#include <stdexcept>

namespace regexpr {
namespace {

constexpr std::string_view kMetaChars = "^$.[()|?+*\\{";
constexpr int kMaxBraceDigits = 8;

bool IsRepeatOp(std::uint8_t c) {
    return c == '*' || c == '+' || c == '?' || c == '{';
}
bool IsXSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

int HexValue(std::uint8_t c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Members of a class or of "\s"/"\w" as they are collected before the set node is written.
struct CharSet {
    std::bitset<256> members;
    void Add(std::uint8_t c) { members.set(c); }
};

class Compiler {
public:
    Compiler(const CompileSettings& settings, ErrorSink& errors) : settings(settings), errors(errors) {
        const auto* text = reinterpret_cast<const std::uint8_t*>(settings.expression.data());
        begin = text;
        end = text + settings.expression.size();
    }

    CompiledCode Build() {
        if (settings.expression.empty()) {
            Fail(kErrCompNullArgument);
        }
        RunPass(true);
        code.assign(size, 0);
        const int flags = RunPass(false);
        if (fill != code.size()) {
            throw std::logic_error("RegEngine: size pass and emit pass disagree");
        }
        return {std::move(code), flags};
    }

private:
    // One pass over the whole expression; returns the top level's flags.
    int RunPass(bool sizing) {
        this->sizing = sizing;
        size = 0;
        fill = 0;
        pos = begin;
        modifiers = settings.modifiers;
        groupCount = 1;
        EmitByte(kProgramMagic);
        int flags = 0;
        ParseReg(false, flags);
        return flags;
    }

    [[noreturn]] void Fail(int error) { errors.Fail(error, static_cast<int>(pos - begin)); }

    bool AtEnd() const { return pos >= end; }
    std::uint8_t Cur() const { return AtEnd() ? 0 : *pos; }
    bool On(unsigned bit) const { return (modifiers & bit) != 0; }

    // Emitting: in the size pass only the byte count grows and links are left alone.
    void Reserve(std::size_t bytes) {
        if (fill + bytes > code.size()) {
            throw std::logic_error("RegEngine: emit pass outgrew the size pass");
        }
    }

    // A node with no link yet and `operandSize` zero bytes of operand.
    int EmitNode(std::uint8_t kind, int operandSize = 0) {
        const auto total = static_cast<std::size_t>(kNodeSize + operandSize);
        if (sizing) {
            size += total;
            return 0;
        }
        Reserve(total);
        const int node = static_cast<int>(fill);
        code[fill] = kind;
        std::memset(&code[fill + kLinkAt], 0, total - kLinkAt);
        fill += total;
        return node;
    }

    void EmitByte(std::uint8_t value) {
        if (sizing) {
            ++size;
            return;
        }
        Reserve(1);
        code[fill++] = value;
    }

    // Puts a node of `total` bytes in front of the already emitted operand at `at`.
    void InsertNode(std::uint8_t kind, int at, int total) {
        if (sizing) {
            size += total;
            return;
        }
        Reserve(total);
        std::memmove(&code[at + total], &code[at], fill - at);
        fill += total;
        code[at] = kind;
        std::memset(&code[at + kLinkAt], 0, total - kLinkAt);
    }

    int Next(int node) const { return NextNode(Program(code), node); }

    // Sets the link of the last node of the chain starting at `node` to `target`.
    void Tail(int node, int target) {
        if (sizing) {
            return;
        }
        int scan = node;
        for (int next = Next(scan); next >= 0; next = Next(scan)) {
            scan = next;
        }
        SetNextNode(code, scan, target);
    }

    // Links the operand chain of an Alternative to `target`; other nodes are left alone.
    void OperandTail(int node, int target) {
        if (sizing || code[node] != kAlternative) {
            return;
        }
        Tail(OperandOf(node), target);
    }

    int ParseReg(bool inGroup, int& flags) {
        const unsigned savedModifiers = modifiers;
        int ret = -1;
        int group = 0;
        flags = kHasWidth;
        if (inGroup) {
            if (groupCount >= kMaxGroups) {
                Fail(kErrTooManyGroups);
            }
            group = groupCount++;
            ret = EmitNode(static_cast<std::uint8_t>(kGroupOpen + group));
        }
        int branchFlags = 0;
        int branch = ParseSequence(branchFlags);
        if (ret >= 0) {
            Tail(ret, branch);
        } else {
            ret = branch;
        }
        for (;;) {
            if (!(branchFlags & kHasWidth)) {
                flags &= ~kHasWidth;
            }
            flags |= branchFlags & kStartsWithRepeat;
            if (Cur() != '|' || AtEnd()) {
                break;
            }
            ++pos;
            branch = ParseSequence(branchFlags);
            Tail(ret, branch);
        }
        const int ender = EmitNode(static_cast<std::uint8_t>(inGroup ? kGroupClose + group : kProgramEnd));
        Tail(ret, ender);
        if (!sizing) {
            for (int node = ret; node >= 0; node = Next(node)) {
                OperandTail(node, ender);
            }
        }
        if (inGroup) {
            if (AtEnd() || Cur() != ')') {
                Fail(kErrUnmatchedGroup);
            }
            ++pos;
        } else if (!AtEnd()) {
            Fail(Cur() == ')' ? kErrUnmatchedClose : kErrJunkOnEnd);
        }
        modifiers = savedModifiers;
        return ret;
    }

    int ParseSequence(int& flags) {
        flags = 0;
        const int ret = EmitNode(kAlternative);
        int chain = -1;
        while (!AtEnd() && Cur() != '|' && Cur() != ')') {
            int pieceFlags = 0;
            const int latest = ParseQuantified(pieceFlags);
            flags |= pieceFlags & kHasWidth;
            if (chain < 0) {
                flags |= pieceFlags & kStartsWithRepeat;
            } else {
                Tail(chain, latest);
            }
            chain = latest;
        }
        if (chain < 0) {
            EmitNode(kEmpty);
        }
        return ret;
    }

    // Reads "{n}", "{n,}" or "{n,m}" at the "{" under the parse position. Returns false, with the parse
    // position unchanged, when the text there is no quantifier; on success the position is at the "}".
    bool ParseBraces(std::int32_t& low, std::int32_t& high) {
        const std::uint8_t* brace = pos;
        const std::uint8_t* p = pos + 1;
        const std::uint8_t* digits = p;
        while (p < end && IsDigit(*p)) {
            ++p;
        }
        if (p == digits || p == end || (*p != '}' && *p != ',')) {
            return false;
        }
        pos = p;
        low = ParseBraceNumber(digits, p);
        if (*p == ',') {
            ++p;
            digits = p;
            while (p < end && IsDigit(*p)) {
                ++p;
            }
            if (p == end || *p != '}') {
                pos = brace;
                return false;
            }
            pos = p;
            high = p == digits ? kMaxBraces : ParseBraceNumber(digits, p);
        } else {
            high = low;
        }
        if (high < low) {
            Fail(kErrBracesMinAboveMax);
        }
        return true;
    }

    std::int32_t ParseBraceNumber(const std::uint8_t* from, const std::uint8_t* to) {
        if (to - from > kMaxBraceDigits) {
            Fail(kErrBracesTooBig);
        }
        std::int64_t value = 0;
        for (const std::uint8_t* p = from; p < to; ++p) {
            value = value * 10 + (*p - '0');
        }
        if (value > kMaxBraces) {
            Fail(kErrBracesTooBig);
        }
        return static_cast<std::int32_t>(value);
    }

    int ParseQuantified(int& flags) {
        int atomFlags = 0;
        const int ret = ParseAtom(atomFlags);
        flags = atomFlags;
        if (AtEnd() || !IsRepeatOp(Cur())) {
            return ret;
        }
        const std::uint8_t op = Cur();
        if (!(atomFlags & kHasWidth) && op != '?') {
            Fail(kErrOperandCouldBeEmpty);
        }
        std::int32_t low = 0;
        std::int32_t high = 0;
        if (op == '{' && !ParseBraces(low, high)) {
            return ret;
        }
        // pos is at the operator, or at the "}" of braces.
        const bool lazyMark = pos + 1 < end && pos[1] == '?';
        const bool lazy = lazyMark || !On(kModG);
        const bool simple = (atomFlags & kSingleStep) != 0;
        switch (op) {
        case '*':
            flags = kStartsWithRepeat;
            if (simple) {
                InsertNode(lazy ? kSimpleStarLazy : kSimpleStar, ret, kNodeSize);
            } else if (lazy) {
                EmitCountedLoop(ret, 0, kMaxBraces, true);
            } else {
                EmitStar(ret);
            }
            break;
        case '+':
            flags = kHasWidth | kStartsWithRepeat;
            if (simple) {
                InsertNode(lazy ? kSimplePlusLazy : kSimplePlus, ret, kNodeSize);
            } else if (lazy) {
                EmitCountedLoop(ret, 1, kMaxBraces, true);
            } else {
                EmitPlus(ret);
            }
            break;
        case '?':
            flags = 0;
            if (!lazy) {
                EmitOptional(ret);
            } else if (simple) {
                EmitSimpleBraces(ret, 0, 1, true);
            } else {
                EmitCountedLoop(ret, 0, 1, true);
            }
            break;
        default:
            flags = (low > 0 ? kHasWidth : 0) | (high > 0 ? kStartsWithRepeat : 0);
            if (simple) {
                EmitSimpleBraces(ret, low, high, lazy);
            } else {
                EmitCountedLoop(ret, low, high, lazy);
            }
            break;
        }
        pos += lazyMark ? 2 : 1;
        if (!AtEnd() && IsRepeatOp(Cur())) {
            Fail(kErrNestedRepeat);
        }
        return ret;
    }

    void EmitSimpleBraces(int operand, std::int32_t low, std::int32_t high, bool lazy) {
        InsertNode(lazy ? kSimpleBracesLazy : kSimpleBraces, operand, kNodeSize + kBracesOperandSize);
        if (!sizing) {
            SetCounts(code, operand, low, high);
        }
    }

    // LoopEntry, the body, then Loop/LoopLazy with its bounds and the distance back to the body.
    void EmitCountedLoop(int operand, std::int32_t low, std::int32_t high, bool lazy) {
        InsertNode(kLoopEntry, operand, kNodeSize);
        const int loop = EmitNode(lazy ? kLoopLazy : kLoop, kLoopOperandSize);
        if (!sizing) {
            SetCounts(code, loop, low, high);
            SetLoopBody(code, loop, operand + kNodeSize);
        }
        Tail(operand, loop);
        Tail(operand + kNodeSize, loop);
    }

    // x* as (x&|): the operand loops back to the first Alternative.
    void EmitStar(int operand) {
        InsertNode(kAlternative, operand, kNodeSize);
        const int back = EmitNode(kLoopBack);
        OperandTail(operand, back);
        OperandTail(operand, operand);
        Tail(operand, EmitNode(kAlternative));
        Tail(operand, EmitNode(kEmpty));
    }

    // x+ as x(&|): after the operand, an Alternative whose first branch goes back to it.
    void EmitPlus(int operand) {
        const int first = EmitNode(kAlternative);
        Tail(operand, first);
        Tail(EmitNode(kLoopBack), operand);
        Tail(first, EmitNode(kAlternative));
        Tail(operand, EmitNode(kEmpty));
    }

    // x? as (x|).
    void EmitOptional(int operand) {
        InsertNode(kAlternative, operand, kNodeSize);
        Tail(operand, EmitNode(kAlternative));
        const int empty = EmitNode(kEmpty);
        Tail(operand, empty);
        OperandTail(operand, empty);
    }

    int ParseAtom(int& flags) {
        flags = 0;
        if (On(kModX) && !AtEnd()) {
            if (*pos == '#') {
                while (!AtEnd() && *pos != '\r' && *pos != '\n') {
                    ++pos;
                }
                while (!AtEnd() && (*pos == '\r' || *pos == '\n')) {
                    ++pos;
                }
                return EmitNode(kSkip);
            }
            if (IsXSpace(*pos)) {
                while (!AtEnd() && IsXSpace(*pos)) {
                    ++pos;
                }
                return EmitNode(kSkip);
            }
        }
        if (AtEnd()) {
            Fail(kErrInternalUrp);
        }
        const std::uint8_t c = *pos++;
        switch (c) {
        case '|':
        case ')':
            Fail(kErrInternalUrp);
        case '^':
            return EmitNode(On(kModM) && settings.lineFormsAvailable ? kLineStart : kTextStart);
        case '$':
            return EmitNode(On(kModM) && settings.lineFormsAvailable ? kLineEnd : kTextEnd);
        case '.':
            if (On(kModS)) {
                flags = kHasWidth | kSingleStep;
                return EmitNode(kAnyChar);
            }
            flags = kHasWidth;
            return EmitNode(kAnyButLineBreak);
        case '*':
        case '+':
        case '?':
            Fail(kErrRepeatFollowsNothing);
        case '[':
            flags = kHasWidth | kSingleStep;
            return ParseClass();
        case '(':
            if (Cur() == '?' && !AtEnd()) {
                return ParseSpecialGroup();
            } else {
                int groupFlags = 0;
                const int ret = ParseReg(true, groupFlags);
                flags = groupFlags & (kHasWidth | kStartsWithRepeat);
                return ret;
            }
        case '\\':
            return ParseEscape(flags);
        default:
            return ParseLiteralRun(c, flags);
        }
    }

    // "(?#comment)" and "(?modifiers)": both leave a Skip node.
    int ParseSpecialGroup() {
        const bool comment = pos + 1 < end && pos[1] == '#';
        const std::uint8_t* close = pos + 1;
        while (close < end && *close != ')') {
            ++close;
        }
        if (comment) {
            if (close == end) {
                pos = end;
                Fail(kErrUnclosedComment);
            }
        } else {
            const std::string_view text(reinterpret_cast<const char*>(pos + 1), close - (pos + 1));
            if (close == end || !ParseModifiers(text, modifiers)) {
                pos = close;
                Fail(kErrBadInlineModifier);
            }
        }
        pos = close + 1;
        return EmitNode(kSkip);
    }

    int ParseEscape(int& flags) {
        if (AtEnd()) {
            Fail(kErrTrailingBackslash);
        }
        const std::uint8_t c = *pos++;
        flags = kHasWidth | kSingleStep;
        if (c >= '1' && c <= '9') {
            const int ret = EmitNode(On(kModI) ? kBackRefNoCase : kBackRef);
            EmitByte(static_cast<std::uint8_t>(c - '0'));
            return ret;
        }
        switch (c) {
        case 'A':
            flags = 0;
            return EmitNode(kTextStart);
        case 'Z':
            flags = 0;
            return EmitNode(kTextEnd);
        case 'b':
            flags = 0;
            return EmitNode(kWordBoundary);
        case 'B':
            flags = 0;
            return EmitNode(kNotWordBoundary);
        case 'd':
            return EmitNode(kDigit);
        case 'D':
            return EmitNode(kNonDigit);
        case 's':
        case 'S':
        case 'w':
        case 'W': {
            CharSet set;
            const std::string_view chars = (c == 's' || c == 'S') ? settings.spaceChars : settings.wordChars;
            for (char member : chars) {
                set.Add(static_cast<std::uint8_t>(member));
            }
            return EmitSet(set, c == 'S' || c == 'W');
        }
        default: {
            const std::uint8_t literal = EscapedChar(c);
            const int ret = EmitNode(On(kModI) ? kLiteralNoCase : kLiteral);
            EmitByte(literal);
            EmitByte(0);
            return ret;
        }
        }
    }

    // The escape table shared by atoms and classes; `c` is the character after "\", already read.
    std::uint8_t EscapedChar(std::uint8_t c) {
        switch (c) {
        case 'a':
            return 7;
        case 'e':
            return 27;
        case 'f':
            return 12;
        case 'n':
            return 10;
        case 'r':
            return 13;
        case 't':
            return 9;
        case 'x':
            return ParseHexCode();
        default:
            return c;
        }
    }

    // "\xHH" or "\x{H...}", the parse position just after the "x".
    std::uint8_t ParseHexCode() {
        int value = 0;
        if (AtEnd()) {
            Fail(kErrNoHexCode);
        }
        if (*pos == '{') {
            ++pos;
            for (;;) {
                if (AtEnd()) {
                    Fail(kErrNoHexCode);
                }
                if (*pos == '}') {
                    ++pos;
                    return static_cast<std::uint8_t>(value);
                }
                const int digit = HexValue(*pos);
                if (digit < 0) {
                    Fail(kErrBadHexDigit);
                }
                if (value >= 16) {
                    Fail(kErrHexCodeTooBig);
                }
                value = value * 16 + digit;
                ++pos;
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (AtEnd()) {
                Fail(kErrNoHexCode);
            }
            const int digit = HexValue(*pos);
            if (digit < 0) {
                Fail(kErrBadHexDigit);
            }
            value = value * 16 + digit;
            ++pos;
        }
        return static_cast<std::uint8_t>(value);
    }

    void AddMember(CharSet& set, std::uint8_t c) const {
        set.Add(c);
        if (On(kModI)) {
            set.Add(settings.invertCase[c]);
        }
    }

    void AddMembers(CharSet& set, std::string_view chars) const {
        for (char c : chars) {
            AddMember(set, static_cast<std::uint8_t>(c));
        }
    }

    void AddRange(CharSet& set, std::uint8_t low, std::uint8_t high) {
        constexpr std::uint8_t kSmallA = 224, kSmallYa = 255, kCapitalA = 192, kCapitalYa = 223;
        constexpr std::uint8_t kSmallYo = 184, kCapitalYo = 168;
        if (On(kModR)) {
            if (low == kSmallA && high == kSmallYa) {
                AddRangeMembers(set, kSmallA, kSmallYa);
                AddMember(set, kSmallYo);
                return;
            }
            if (low == kCapitalA && high == kCapitalYa) {
                AddRangeMembers(set, kCapitalA, kCapitalYa);
                AddMember(set, kCapitalYo);
                return;
            }
            if (low == kSmallA && high == kCapitalYa) {
                AddRangeMembers(set, kCapitalA, kSmallYa);
                AddMember(set, kSmallYo);
                AddMember(set, kCapitalYo);
                return;
            }
        }
        if (high < low) {
            Fail(kErrInvalidRange);
        }
        AddRangeMembers(set, low, high);
    }

    void AddRangeMembers(CharSet& set, int low, int high) const {
        for (int c = low; c <= high; ++c) {
            AddMember(set, static_cast<std::uint8_t>(c));
        }
    }

    static bool IsClassSetEscape(std::uint8_t c) {
        return c == 'd' || c == 'D' || c == 's' || c == 'S' || c == 'w' || c == 'W';
    }

    // A class, the parse position just after "[".
    int ParseClass() {
        bool negated = false;
        if (!AtEnd() && *pos == '^') {
            negated = true;
            ++pos;
        }
        CharSet set;
        bool rangeCanStart = false; // the last item was a single member
        std::uint8_t rangeStart = 0;
        if (!AtEnd() && *pos == ']') {
            AddMember(set, ']');
            rangeCanStart = true;
            rangeStart = ']';
            ++pos;
        }
        while (!AtEnd() && *pos != ']') {
            const std::uint8_t c = *pos;
            if (c == '-' && rangeCanStart && pos + 1 < end && pos[1] != ']' &&
                !(pos[1] == '\\' && pos + 2 < end && IsClassSetEscape(pos[2]))) {
                pos += 1;
                std::uint8_t high = *pos++;
                if (high == '\\') {
                    if (AtEnd()) {
                        Fail(kErrClassTrailingBackslash);
                    }
                    high = EscapedChar(*pos++);
                }
                AddRange(set, rangeStart, high);
                rangeCanStart = false;
            } else if (c == '\\') {
                ++pos;
                if (AtEnd()) {
                    Fail(kErrClassTrailingBackslash);
                }
                const std::uint8_t e = *pos++;
                if (e == 'd') {
                    AddMembers(set, "0123456789");
                    rangeCanStart = false;
                } else if (e == 's') {
                    AddMembers(set, settings.spaceChars);
                    rangeCanStart = false;
                } else if (e == 'w') {
                    AddMembers(set, settings.wordChars);
                    rangeCanStart = false;
                } else {
                    rangeStart = EscapedChar(e);
                    AddMember(set, rangeStart);
                    rangeCanStart = true;
                }
            } else {
                AddMember(set, c);
                rangeStart = c;
                rangeCanStart = true;
                ++pos;
            }
        }
        if (AtEnd()) {
            Fail(kErrUnmatchedClass);
        }
        ++pos;
        return EmitSet(set, negated);
    }

    // A SmallSet/SmallSetNot of at most kSmallSetSize members in ascending order, padded with the
    // largest; else a FullSet bitmap, complemented for a negated set.
    int EmitSet(const CharSet& set, bool negated) {
        const std::size_t count = set.members.count();
        if (count == 0) {
            throw ERegEngine(0, "RegEngine.ParseAtom(subroutine EmitRangeC): empty range",
                             static_cast<int>(pos - begin));
        }
        if (count > kSmallSetSize) {
            const int ret = EmitNode(kFullSet);
            for (int byte = 0; byte < kFullSetSize; ++byte) {
                std::uint8_t bits = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    if (set.members.test(byte * 8 + bit) != negated) {
                        bits |= static_cast<std::uint8_t>(1 << bit);
                    }
                }
                EmitByte(bits);
            }
            return ret;
        }
        const int ret = EmitNode(negated ? kSmallSetNot : kSmallSet);
        std::uint8_t members[kSmallSetSize];
        int n = 0;
        for (int c = 0; c < 256; ++c) {
            if (set.members.test(c)) {
                members[n++] = static_cast<std::uint8_t>(c);
            }
        }
        for (int i = 0; i < kSmallSetSize; ++i) {
            EmitByte(members[i < n ? i : n - 1]);
        }
        return ret;
    }

    // The longest stretch without metacharacters, a leading "{" included; a run before a quantifier
    // leaves its last character to the next atom.
    int ParseLiteralRun(std::uint8_t first, int& flags) {
        const std::uint8_t* start = pos - 1;
        const std::uint8_t* p = first == '{' ? pos : start;
        const bool extended = On(kModX);
        while (p < end && kMetaChars.find(static_cast<char>(*p)) == std::string_view::npos &&
               !(extended && *p == '#')) {
            ++p;
        }
        std::ptrdiff_t length = p - start;
        if (length <= 0) {
            Fail(kErrAtomDisaster);
        }
        if (length > 1 && p < end && IsRepeatOp(*p)) {
            --length;
        }
        flags = kHasWidth | (length == 1 ? kSingleStep : 0);
        const int ret = EmitNode(On(kModI) ? kLiteralNoCase : kLiteral);
        for (std::ptrdiff_t i = 0; i < length; ++i) {
            if (!(extended && IsXSpace(start[i]))) {
                EmitByte(start[i]);
            }
        }
        EmitByte(0);
        pos = start + length;
        return ret;
    }

    const CompileSettings& settings;
    ErrorSink& errors;
    const std::uint8_t* begin = nullptr;
    const std::uint8_t* end = nullptr;
    const std::uint8_t* pos = nullptr;
    unsigned modifiers = 0;
    int groupCount = 1;
    bool sizing = true;
    std::size_t size = 0;
    std::size_t fill = 0;
    std::vector<std::uint8_t> code;
};

} // namespace

CompiledCode BuildProgram(const CompileSettings& settings, ErrorSink& errors) {
    return Compiler(settings, errors).Build();
}

} // namespace regexpr
