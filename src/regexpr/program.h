// The compiled program of the regular-expression engine: a byte buffer of nodes, and the helpers that
// read it. A node is a kind byte, a signed 32-bit link (distance to the following node, 0 for none) and
// the kind's operands; byte 0 of the buffer is the magic kProgramMagic.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace regexpr {

using Program = std::span<const std::uint8_t>;

enum NodeKind : std::uint8_t {
    kProgramEnd = 0,
    kTextStart = 1,
    kTextEnd = 2,
    kAnyChar = 3,
    kAlternative = 6,
    kLoopBack = 7,
    kLiteral = 8,
    kEmpty = 9,
    kSimpleStar = 10,
    kSimplePlus = 11,
    kDigit = 12,
    kNonDigit = 13,
    kSimpleBraces = 18,
    kSkip = 19,
    kLiteralNoCase = 20,
    kLoopEntry = 23,
    kLoop = 24,
    kSmallSet = 25,
    kSmallSetNot = 26,
    kFullSet = 27,
    kBackRef = 28,
    kBackRefNoCase = 29,
    kSimpleStarLazy = 30,
    kSimplePlusLazy = 31,
    kSimpleBracesLazy = 32,
    kLoopLazy = 33,
    kLineStart = 34,
    kLineEnd = 35,
    kAnyButLineBreak = 36,
    kWordBoundary = 37,
    kNotWordBoundary = 38,
    kGroupOpen = 39,  // + group number 1 ... 24
    kGroupClose = 64, // + group number 1 ... 24
};

constexpr std::uint8_t kProgramMagic = 216;
constexpr int kMaxGroups = 25; // group 0 (the whole match) and groups 1 ... 24
constexpr int kLinkAt = 1;     // the link follows the kind byte
constexpr int kNodeSize = 5;   // kind byte and link
// The operand of the braces kinds: the lowest and the highest count, then the node counted. The
// operand of Loop and LoopLazy: the two counts, then the distance from the Loop node to its body.
constexpr int kLowCountAt = 0;
constexpr int kHighCountAt = 4;
constexpr int kLoopBodyAt = 8;
constexpr int kBracesOperandSize = 8;
constexpr int kLoopOperandSize = 12;
constexpr int kSmallSetSize = 3;
constexpr int kFullSetSize = 32;
constexpr int kBackRefOperandSize = 1; // the group number
constexpr std::int32_t kMaxBraces = 2147483646;
constexpr std::int32_t kUnboundedRepeat = 2147483647;
constexpr int kFirstNode = 1;

inline std::int32_t ReadInt(const std::uint8_t* at) {
    std::int32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

inline void WriteInt(std::uint8_t* at, std::int32_t value) {
    std::memcpy(at, &value, sizeof value);
}

inline bool IsGroupOpen(int kind) {
    return kind > kGroupOpen && kind < kGroupOpen + kMaxGroups;
}
inline bool IsGroupClose(int kind) {
    return kind > kGroupClose && kind < kGroupClose + kMaxGroups;
}
inline bool IsBracesRepeat(int kind) {
    return kind == kSimpleBraces || kind == kSimpleBracesLazy;
}

// The node after `node` in match order, or -1 when its link is 0.
inline int NextNode(Program program, int node) {
    const std::int32_t link = ReadInt(&program[node + kLinkAt]);
    return link == 0 ? -1 : node + link;
}

// Makes `target` the node after `node`.
inline void SetNextNode(std::span<std::uint8_t> code, int node, int target) {
    WriteInt(&code[node + kLinkAt], target - node);
}

inline int OperandOf(int node) {
    return node + kNodeSize;
}

// The counts of a braces repeat or a loop.
inline std::int32_t LowCount(Program program, int node) {
    return ReadInt(&program[OperandOf(node) + kLowCountAt]);
}
inline std::int32_t HighCount(Program program, int node) {
    return ReadInt(&program[OperandOf(node) + kHighCountAt]);
}
inline void SetCounts(std::span<std::uint8_t> code, int node, std::int32_t low, std::int32_t high) {
    WriteInt(&code[OperandOf(node) + kLowCountAt], low);
    WriteInt(&code[OperandOf(node) + kHighCountAt], high);
}

// The first node of a loop's body.
inline int LoopBody(Program program, int loop) {
    return loop + ReadInt(&program[OperandOf(loop) + kLoopBodyAt]);
}
inline void SetLoopBody(std::span<std::uint8_t> code, int loop, int body) {
    WriteInt(&code[OperandOf(loop) + kLoopBodyAt], body - loop);
}

// The Loop or LoopLazy node after the LoopEntry `entry`, or -1 when the program is broken there.
inline int CountedLoop(Program program, int entry) {
    const int loop = NextNode(program, entry);
    const auto size = static_cast<int>(program.size());
    if (loop < kFirstNode || OperandOf(loop) + kLoopOperandSize > size ||
        (program[loop] != kLoop && program[loop] != kLoopLazy)) {
        return -1;
    }
    return loop;
}

inline bool IsSimpleRepeat(int kind) {
    return kind == kSimpleStar || kind == kSimplePlus || kind == kSimpleStarLazy || kind == kSimplePlusLazy ||
           IsBracesRepeat(kind);
}

// Every node that a run can reach from the first one, through links and through the operands that
// hold nodes (a branch, a loop's body, the node a simple repeat counts), each once. Unlike a walk in
// buffer order it cannot be led astray by a literal with a zero byte inside it, whose bytes after the
// zero no run reads.
std::vector<int> ReachableNodes(Program program);

// The node a simple repeat counts: after the header, and after the two bounds for the braces kinds.
inline int RepeatOperand(Program program, int node) {
    return OperandOf(node) + (IsBracesRepeat(program[node]) ? kBracesOperandSize : 0);
}

inline bool InSet(const std::uint8_t* bitmap, std::uint8_t c) {
    return (bitmap[c >> 3] >> (c & 7)) & 1;
}

inline void AddChar(std::uint8_t* bitmap, std::uint8_t c) {
    bitmap[c >> 3] |= static_cast<std::uint8_t>(1 << (c & 7));
}

// The name of a node kind ("GroupOpen 3" for the numbered kinds), or "?NN" for codes never produced.
std::string NodeKindName(int kind);

// A character as the dumps show it: printable ASCII as is, "\\" and "\"" escaped, else \xNN.
std::string DumpChar(std::uint8_t c);

// A 256-bit set as a bracket list of ranges, such as [0-9A-Z_a-z].
std::string DumpCharSet(const std::uint8_t* bitmap);

// The program as plain text, one node a line: offset, kind, link target and operands.
std::string DumpProgram(Program program);

} // namespace regexpr
