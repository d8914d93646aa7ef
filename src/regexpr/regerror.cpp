#include "regexpr/regerror.h"

#include <utility>

namespace regexpr {
namespace {

constexpr std::pair<int, std::string_view> kErrorTexts[] = {
    {kErrCompNullArgument, "RegEngine(comp): Null Argument"},
    {kErrTooManyGroups, "RegEngine(comp): ParseReg Too Many ()"},
    {kErrUnmatchedGroup, "RegEngine(comp): ParseReg Unmatched ()"},
    {kErrUnmatchedClose, "RegEngine(comp): ParseReg Unmatched ()"},
    {kErrJunkOnEnd, "RegEngine(comp): ParseReg Junk On End"},
    {kErrOperandCouldBeEmpty, "RegEngine(comp): *+ Operand Could Be Empty"},
    {kErrNestedRepeat, "RegEngine(comp): Nested *?+"},
    {kErrBadHexDigit, "RegEngine(comp): Bad Hex Digit"},
    {kErrInvalidRange, "RegEngine(comp): Invalid [] Range"},
    {kErrClassTrailingBackslash, "RegEngine(comp): Parse Atom Trailing \\"},
    {kErrNoHexCode, "RegEngine(comp): No Hex Code After \\x"},
    {kErrHexCodeTooBig, "RegEngine(comp): Hex Code After \\x Is Too Big"},
    {kErrUnmatchedClass, "RegEngine(comp): Unmatched []"},
    {kErrInternalUrp, "RegEngine(comp): Internal Urp"},
    {kErrRepeatFollowsNothing, "RegEngine(comp): ?+*{ Follows Nothing"},
    {kErrTrailingBackslash, "RegEngine(comp): Trailing \\"},
    {kErrAtomDisaster, "RegEngine(comp): ParseAtom Internal Disaster"},
    {kErrBracesTooBig, "RegEngine(comp): BRACES Argument Too Big"},
    {kErrBracesMinAboveMax, "RegEngine(comp): BRACE Min Param Greater than Max"},
    {kErrUnclosedComment, "RegEngine(comp): Unclosed (?#Comment)"},
    {kErrBadInlineModifier, "RegEngine(comp): Unrecognized Modifier"},
    {kErrBadPairedSeparator,
     "RegEngine(comp): LinePairedSeparator must contain two different chars or no chars at all"},
    {kErrRepeatInappropriate, "RegEngine(exec): RegRepeat Called Inappropriately"},
    {kErrMemoryCorruption, "RegEngine(exec): MatchPrim Memory Corruption"},
    {kErrCorruptedPointers, "RegEngine(exec): MatchPrim Corrupted Pointers"},
    {kErrNoExpression, "RegEngine(exec): Not Assigned Expression Property"},
    {kErrCorruptedProgram, "RegEngine(exec): Corrupted Program"},
    {kErrNoInput, "RegEngine(exec): No Input String Specified"},
    {kErrBadOffset, "RegEngine(exec): Offset Must Be Greater Than 0"},
    {kErrExecNextWithoutExec, "RegEngine(exec): ExecNext Without Exec[Pos]"},
    {kErrBadModifier, "Unknown error"},
    {kErrLoopStackExceeded, "RegEngine(exec): Loop Stack Exceeded"},
    {kErrLoopWithoutEntry, "RegEngine(exec): Loop Without LoopEntry !"},
};

} // namespace

std::string_view RegEngineErrorText(int code) {
    for (const auto& [known, text] : kErrorTexts) {
        if (known == code) {
            return text;
        }
    }
    return "Unknown error";
}

std::string RegEngineErrorMessage(int code, std::string_view text, int position) {
    std::string message(text);
    if (code < kFirstRunTimeError) {
        message += " (pos " + std::to_string(position) + ")";
    }
    return message;
}

} // namespace regexpr
