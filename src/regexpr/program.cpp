#include "regexpr/program.h"

#include <cstdio>

namespace regexpr {
namespace {

const char* PlainKindName(int kind) {
    switch (kind) {
    case kProgramEnd:
        return "ProgramEnd";
    case kTextStart:
        return "TextStart";
    case kTextEnd:
        return "TextEnd";
    case kAnyChar:
        return "AnyChar";
    case kAlternative:
        return "Alternative";
    case kLoopBack:
        return "LoopBack";
    case kLiteral:
        return "Literal";
    case kEmpty:
        return "Empty";
    case kSimpleStar:
        return "SimpleStar";
    case kSimplePlus:
        return "SimplePlus";
    case kDigit:
        return "Digit";
    case kNonDigit:
        return "NonDigit";
    case kSimpleBraces:
        return "SimpleBraces";
    case kSkip:
        return "Skip";
    case kLiteralNoCase:
        return "LiteralNoCase";
    case kLoopEntry:
        return "LoopEntry";
    case kLoop:
        return "Loop";
    case kSmallSet:
        return "SmallSet";
    case kSmallSetNot:
        return "SmallSetNot";
    case kFullSet:
        return "FullSet";
    case kBackRef:
        return "BackRef";
    case kBackRefNoCase:
        return "BackRefNoCase";
    case kSimpleStarLazy:
        return "SimpleStarLazy";
    case kSimplePlusLazy:
        return "SimplePlusLazy";
    case kSimpleBracesLazy:
        return "SimpleBracesLazy";
    case kLoopLazy:
        return "LoopLazy";
    case kLineStart:
        return "LineStart";
    case kLineEnd:
        return "LineEnd";
    case kAnyButLineBreak:
        return "AnyButLineBreak";
    case kWordBoundary:
        return "WordBoundary";
    case kNotWordBoundary:
        return "NotWordBoundary";
    default:
        return nullptr;
    }
}

} // namespace

std::string DumpChar(std::uint8_t c) {
    if (c >= 0x20 && c < 0x7f && c != '\\' && c != '"') {
        return std::string(1, static_cast<char>(c));
    }
    if (c == '\\' || c == '"') {
        return std::string("\\") + static_cast<char>(c);
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

std::string DumpCharSet(const std::uint8_t* bitmap) {
    std::string text = "[";
    int c = 0;
    while (c < 256) {
        if (!InSet(bitmap, static_cast<std::uint8_t>(c))) {
            ++c;
            continue;
        }
        int last = c;
        while (last + 1 < 256 && InSet(bitmap, static_cast<std::uint8_t>(last + 1))) {
            ++last;
        }
        text += DumpChar(static_cast<std::uint8_t>(c));
        if (last > c) {
            text += "-" + DumpChar(static_cast<std::uint8_t>(last));
        }
        c = last + 1;
    }
    return text + "]";
}

std::string NodeKindName(int kind) {
    if (IsGroupOpen(kind)) {
        return "GroupOpen " + std::to_string(kind - kGroupOpen);
    }
    if (IsGroupClose(kind)) {
        return "GroupClose " + std::to_string(kind - kGroupClose);
    }
    if (const char* name = PlainKindName(kind)) {
        return name;
    }
    return "?" + std::to_string(kind);
}

std::vector<int> ReachableNodes(Program program) {
    const int size = static_cast<int>(program.size());
    std::vector<bool> seen(program.size(), false);
    std::vector<int> nodes;
    std::vector<int> pending = {kFirstNode};
    while (!pending.empty()) {
        const int node = pending.back();
        pending.pop_back();
        if (node < kFirstNode || node + kNodeSize > size || seen[node]) {
            continue;
        }
        seen[node] = true;
        nodes.push_back(node);
        pending.push_back(NextNode(program, node));
        const int kind = program[node];
        if (kind == kAlternative || kind == kLoopEntry) {
            pending.push_back(OperandOf(node));
        } else if (IsSimpleRepeat(kind)) {
            pending.push_back(RepeatOperand(program, node));
        }
    }
    return nodes;
}

std::string DumpProgram(Program program) {
    if (program.empty()) {
        return "(no program)\n";
    }
    std::string text = "magic " + std::to_string(program[0]) + "\n";
    std::size_t node = kFirstNode;
    while (node + kNodeSize <= program.size()) {
        const int kind = program[node];
        const int here = static_cast<int>(node);
        const int next = NextNode(program, here);
        text += std::to_string(node) + ": " + NodeKindName(kind) + " -> " +
                (next < 0 ? "none" : std::to_string(next));
        std::size_t at = node + kNodeSize;
        switch (kind) {
        case kLiteral:
        case kLiteralNoCase:
            text += " \"";
            while (at < program.size() && program[at] != 0) {
                text += DumpChar(program[at++]);
            }
            text += "\"";
            ++at;
            break;
        case kSimpleBraces:
        case kSimpleBracesLazy:
            text += " {" + std::to_string(LowCount(program, here)) + "," +
                    std::to_string(HighCount(program, here)) + "}";
            at += kBracesOperandSize;
            break;
        case kLoop:
        case kLoopLazy:
            text += " {" + std::to_string(LowCount(program, here)) + "," +
                    std::to_string(HighCount(program, here)) + "} body " +
                    std::to_string(LoopBody(program, here));
            at += kLoopOperandSize;
            break;
        case kSmallSet:
        case kSmallSetNot:
            text +=
                " \"" + DumpChar(program[at]) + DumpChar(program[at + 1]) + DumpChar(program[at + 2]) + "\"";
            at += kSmallSetSize;
            break;
        case kFullSet:
            text += " " + DumpCharSet(&program[at]);
            at += kFullSetSize;
            break;
        case kBackRef:
        case kBackRefNoCase:
            text += " \\" + std::to_string(program[at]);
            at += kBackRefOperandSize;
            break;
        default:
            break;
        }
        text += "\n";
        node = at;
    }
    return text;
}

} // namespace regexpr
