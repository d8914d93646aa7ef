// The regular-expression compiler: turns an expression into the node program of program.h in two
// passes (one that counts the bytes, one that writes them) with the same parsing code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace regexpr {

// Where the compiler, the analysis and the matcher report a failure: Report raises the exception.
class ErrorSink {
public:
    [[noreturn]] void Fail(int code, int position) {
        Report(code, position);
        throw std::logic_error("RegEngine: an error report returned");
    }

protected:
    ~ErrorSink() = default;
    virtual void Report(int code, int position) = 0;
};

// Flags that every parsing step returns about what it parsed.
constexpr int kHasWidth = 1;         // cannot match the empty string
constexpr int kSingleStep = 2;       // one node that the repeat counter can count
constexpr int kStartsWithRepeat = 4; // begins with a "*", "+" or braces repeat

struct CompileSettings {
    std::string_view expression; // up to its first zero byte
    unsigned modifiers = 0;
    std::string_view spaceChars;
    std::string_view wordChars;
    bool lineFormsAvailable = false; // line separators or a paired separator exist, so "^" "$" may use them
    const std::uint8_t* invertCase = nullptr; // 256 entries
};

struct CompiledCode {
    std::vector<std::uint8_t> code;
    int topFlags = 0;
};

CompiledCode BuildProgram(const CompileSettings& settings, ErrorSink& errors);

} // namespace regexpr
