// Compiles arbitrary expressions and runs them over arbitrary texts under a step budget, once with the
// fast paths and once with the plain interpreter: nothing may crash, hang or overflow, and whenever
// both finish within the budget they must report the same matches and the same error.
//
// Input: one byte of modifier bits (i r s g m x) and settings, then the expression up to the first zero
// byte, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "regexpr/regexpr.h"

namespace {

constexpr int kPollInterval = 256;
constexpr int kPollBudget = 200;
constexpr int kMaxMatches = 64;

struct Outcome {
    std::string matches;
    bool overBudget = false;
};

Outcome Run(unsigned options, std::string_view expression, std::string_view text, bool fastPaths) {
    regexpr::TRegEngine engine;
    engine.SetFastPaths(fastPaths);
    if (fastPaths && expression.size() % 2 == 1) {
        engine.SetMemoThreshold(0); // failed tries kept from the first, as over a long line
    }
    engine.SetStackLimit(1 << 16);
    int polls = 0;
    engine.SetAbortHook([&] { return ++polls > kPollBudget; }, kPollInterval);
    Outcome outcome;
    try {
        for (int letter = 1; letter <= 6; ++letter) {
            engine.SetModifier(letter, (options >> (letter - 1)) & 1);
        }
        if (options & 64) {
            engine.SetLinePairedSeparator("");
        }
        if (options & 128) {
            engine.SetSpaceChars("");
            engine.SetLineSeparators("\n");
        }
        engine.SetExpression(expression);
        bool found = engine.Exec(text);
        for (int count = 0; found && count < kMaxMatches; ++count) {
            outcome.matches +=
                std::to_string(engine.MatchPos(0)) + ":" + std::to_string(engine.MatchLen(0)) + ";";
            for (int group = 1; group < 4; ++group) {
                outcome.matches += std::to_string(engine.MatchPos(group)) + ",";
            }
            found = engine.ExecNext();
        }
        outcome.overBudget = engine.LastSearchEnd() == regexpr::SearchEnd::kAborted ||
                             engine.LastSearchEnd() == regexpr::SearchEnd::kStackExhausted;
    } catch (const regexpr::ERegEngine& e) {
        outcome.matches += "error " + std::to_string(e.ErrorId);
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t zero = input.find('\0');
    const std::string_view expression = input.substr(0, zero);
    const std::string text(zero == std::string_view::npos ? "" : input.substr(zero + 1));
    const Outcome fast = Run(data[0], expression, text, true);
    const Outcome plain = Run(data[0], expression, text, false);
    if (!fast.overBudget && !plain.overBudget && fast.matches != plain.matches) {
        std::abort();
    }
    return 0;
}
