#include "regexpr/analysis.h"

#include "regexpr/regerror.h"

#include <cstring>
#include <vector>

namespace regexpr {
namespace {

void AddAll(std::uint8_t* bitmap) {
    std::memset(bitmap, 0xff, kFullSetSize);
}

void AddAllBut(std::uint8_t* bitmap, const std::uint8_t* excluded, int count) {
    for (int c = 0; c < 256; ++c) {
        if (std::memchr(excluded, c, count) == nullptr) {
            AddChar(bitmap, static_cast<std::uint8_t>(c));
        }
    }
}

std::size_t LiteralLength(Program program, int node) {
    const auto* operand = &program[OperandOf(node)];
    return std::strlen(reinterpret_cast<const char*>(operand));
}

} // namespace

void CollectFirstChars(Program program, int start, const std::uint8_t* invertCase, std::uint8_t* bitmap,
                       ErrorSink& errors) {
    // A walk from a node always adds the same characters, so every node is walked at most once; this
    // also ends the walk around loops whose body can be empty, such as a lazy "(a?)??".
    std::vector<bool> seen(program.size());
    std::vector<int> pending{start};
    while (!pending.empty()) {
        int node = pending.back();
        pending.pop_back();
        while (node >= 0 && !seen[node]) {
            seen[node] = true;
            const int kind = program[node];
            const std::uint8_t* operand = program.data() + OperandOf(node);
            if (IsGroupOpen(kind) || IsGroupClose(kind)) {
                node = NextNode(program, node);
                continue;
            }
            switch (kind) {
            case kProgramEnd:
                node = -1;
                break;
            case kTextStart:
            case kTextEnd:
            case kLineStart:
            case kLineEnd:
            case kWordBoundary:
            case kNotWordBoundary:
            case kSkip:
            case kEmpty:
            case kLoopBack:
            case kLoopEntry:
                node = NextNode(program, node);
                break;
            case kAnyChar:
            case kAnyButLineBreak:
            case kBackRef:
            case kBackRefNoCase:
                AddAll(bitmap);
                node = -1;
                break;
            case kLiteral:
                AddChar(bitmap, operand[0]);
                node = -1;
                break;
            case kLiteralNoCase:
                AddChar(bitmap, operand[0]);
                AddChar(bitmap, invertCase[operand[0]]);
                node = -1;
                break;
            case kDigit:
                for (std::uint8_t c = '0'; c <= '9'; ++c) {
                    AddChar(bitmap, c);
                }
                node = -1;
                break;
            case kNonDigit:
                AddAllBut(bitmap, reinterpret_cast<const std::uint8_t*>("0123456789"), 10);
                node = -1;
                break;
            case kSmallSet:
                for (int i = 0; i < kSmallSetSize; ++i) {
                    AddChar(bitmap, operand[i]);
                }
                node = -1;
                break;
            case kSmallSetNot:
                AddAllBut(bitmap, operand, kSmallSetSize);
                node = -1;
                break;
            case kFullSet:
                for (int i = 0; i < kFullSetSize; ++i) {
                    bitmap[i] |= operand[i];
                }
                node = -1;
                break;
            case kAlternative: {
                const int next = NextNode(program, node);
                if (next >= 0 && program[next] == kAlternative) {
                    for (int branch = node; branch >= 0 && program[branch] == kAlternative;
                         branch = NextNode(program, branch)) {
                        pending.push_back(OperandOf(branch));
                    }
                    node = -1;
                } else {
                    node = OperandOf(node);
                }
                break;
            }
            case kSimpleStar:
            case kSimpleStarLazy:
                pending.push_back(RepeatOperand(program, node));
                node = NextNode(program, node);
                break;
            case kSimplePlus:
            case kSimplePlusLazy:
                node = RepeatOperand(program, node);
                break;
            case kSimpleBraces:
            case kSimpleBracesLazy:
                pending.push_back(RepeatOperand(program, node));
                node = LowCount(program, node) > 0 ? -1 : NextNode(program, node);
                break;
            case kLoop:
            case kLoopLazy:
                pending.push_back(LoopBody(program, node));
                node = LowCount(program, node) == 0 ? NextNode(program, node) : -1;
                break;
            default:
                errors.Fail(kErrMemoryCorruption, 0);
            }
        }
    }
}

std::string DumpStartInfo(Program program, const StartInfo& info) {
    std::string text = "start char ";
    text += info.startChar < 0 ? "none" : DumpChar(static_cast<std::uint8_t>(info.startChar));
    text += info.anchored ? ", anchored" : ", not anchored";
    text += ", literal ";
    if (info.requiredLiteral < 0) {
        text += "none";
    } else {
        text += "\"";
        for (int i = 0; i < info.requiredLength; ++i) {
            text += DumpChar(program[info.requiredLiteral + i]);
        }
        text += "\"";
    }
    return text + ", first " + DumpCharSet(info.firstChars.data());
}

StartInfo AnalyseStart(Program program, int topFlags, const std::uint8_t* invertCase, ErrorSink& errors) {
    StartInfo info;
    const int first = kFirstNode;
    const int next = NextNode(program, first);
    if (next >= 0 && program[next] == kProgramEnd) {
        const int scan = OperandOf(first);
        if (program[scan] == kLiteral) {
            info.startChar = program[OperandOf(scan)];
        } else if (program[scan] == kTextStart) {
            info.anchored = true;
        }
        if (topFlags & kStartsWithRepeat) {
            // An empty literal (from "\x00") is contained in every text and rules nothing out.
            for (int node = scan; node >= 0; node = NextNode(program, node)) {
                if (program[node] == kLiteral) {
                    const int length = static_cast<int>(LiteralLength(program, node));
                    if (length > 0 && length >= info.requiredLength) {
                        info.requiredLiteral = OperandOf(node);
                        info.requiredLength = length;
                    }
                }
            }
        }
    }
    CollectFirstChars(program, first, invertCase, info.firstChars.data(), errors);
    return info;
}

} // namespace regexpr
