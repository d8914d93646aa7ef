// Failures of the regular-expression engine: the exception ERegEngine and the table of error codes and
// their texts. Codes below 1000 come from the compiler and carry the parse position in their message.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace regexpr {

enum ErrorCode : int {
    kErrCompNullArgument = 100,
    kErrTooManyGroups = 102,
    kErrUnmatchedGroup = 103,
    kErrUnmatchedClose = 104,
    kErrJunkOnEnd = 105,
    kErrOperandCouldBeEmpty = 106,
    kErrNestedRepeat = 107,
    kErrBadHexDigit = 108,
    kErrInvalidRange = 109,
    kErrClassTrailingBackslash = 110,
    kErrNoHexCode = 111,
    kErrHexCodeTooBig = 112,
    kErrUnmatchedClass = 113,
    kErrInternalUrp = 114,
    kErrRepeatFollowsNothing = 115,
    kErrTrailingBackslash = 116,
    kErrAtomDisaster = 119,
    kErrBracesTooBig = 122,
    kErrBracesMinAboveMax = 124,
    kErrUnclosedComment = 125,
    kErrBadInlineModifier = 127,
    kErrBadPairedSeparator = 128,
    kErrRepeatInappropriate = 1000,
    kErrMemoryCorruption = 1001,
    kErrCorruptedPointers = 1002,
    kErrNoExpression = 1003,
    kErrCorruptedProgram = 1004,
    kErrNoInput = 1005,
    kErrBadOffset = 1006,
    kErrExecNextWithoutExec = 1007,
    kErrBadModifier = 1013,
    kErrLoopStackExceeded = 1014,
    kErrLoopWithoutEntry = 1015,
};

// The first code whose message carries no parse position.
constexpr int kFirstRunTimeError = 1000;

// The text of an error code; "Unknown error" for codes outside the table.
std::string_view RegEngineErrorText(int code);

// The message of an error: its text, followed by " (pos N)" for compile errors.
std::string RegEngineErrorMessage(int code, std::string_view text, int position);

class ERegEngine : public std::runtime_error {
public:
    ERegEngine(int errorId, const std::string& message, int errorPosition)
        : std::runtime_error(message), ErrorId(errorId), ErrorPosition(errorPosition) {}

    int ErrorId;
    int ErrorPosition;
};

} // namespace regexpr
