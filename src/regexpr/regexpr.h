// The regular-expression engine TRegEngine: an 8-bit, Perl-style dialect compiled into a node program
// and run by a backtracking matcher, and SearchRegExpr, the one entry the search uses.
//
// Use: set the expression and the modifiers once, then Exec over a text and ExecNext for every further
// match; MatchPos and MatchLen tell where the last match lies. The text is not copied: it must stay
// alive and unchanged while the engine searches it.
#pragma once

#include "regexpr/analysis.h"
#include "regexpr/compiler.h"
#include "regexpr/matcher.h"
#include "regexpr/program.h"
#include "regexpr/regerror.h"
#include "regexpr/searchregexpr.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace regexpr {

// Modifier defaults that every new engine copies (x is always off in a new engine).
extern bool RegEngineModifierI;
extern bool RegEngineModifierR;
extern bool RegEngineModifierS;
extern bool RegEngineModifierG;
extern bool RegEngineModifierM;

// A temporary std::string. The engine keeps no copy of the text it searches, so it refuses these.
template <typename T>
concept TemporaryString =
    std::is_same_v<std::remove_cvref_t<T>, std::string> && !std::is_lvalue_reference_v<T>;

using CaseInverter = std::function<char(char)>;
using AbortHook = std::function<bool()>;

class TRegEngine : private ErrorSink {
public:
    TRegEngine();
    virtual ~TRegEngine();
    TRegEngine(const TRegEngine&) = delete;
    TRegEngine& operator=(const TRegEngine&) = delete;

    // The expression, read up to its first zero byte; the empty string removes it.
    void SetExpression(std::string_view expression);
    bool HasExpression() const { return hasExpression; }
    const std::string& Expression() const { return expression; }

    // Modifiers act when the expression is compiled; a change makes the next search recompile.
    void SetModifierStr(std::string_view modifiers);
    void SetModifier(int index, bool on); // index 1 ... 6 for i r s g m x
    bool Modifier(int index) const;
    unsigned Modifiers() const { return modifiers; }
    void SetModifierI(bool on) { SetModifier(1, on); }
    void SetModifierR(bool on) { SetModifier(2, on); }
    void SetModifierS(bool on) { SetModifier(3, on); }
    void SetModifierG(bool on) { SetModifier(4, on); }
    void SetModifierM(bool on) { SetModifier(5, on); }
    void SetModifierX(bool on) { SetModifier(6, on); }
    bool ModifierI() const { return Modifier(1); }
    bool ModifierR() const { return Modifier(2); }
    bool ModifierS() const { return Modifier(3); }
    bool ModifierG() const { return Modifier(4); }
    bool ModifierM() const { return Modifier(5); }
    bool ModifierX() const { return Modifier(6); }

    // The compiler reads these three and the case inverter: a change discards the compiled program.
    void SetSpaceChars(std::string_view chars);
    const std::string& SpaceChars() const { return spaceChars; }
    void SetWordChars(std::string_view chars);
    const std::string& WordChars() const { return wordChars; }
    void SetLineSeparators(std::string_view chars);
    const std::string& LineSeparators() const { return lineSeparators; }
    // Two different characters (head, tail) or the empty string for none; anything else is error 128.
    void SetLinePairedSeparator(std::string_view pair);
    std::string LinePairedSeparator() const;
    // An empty inverter restores the default one of the active code page.
    void SetInvertCase(CaseInverter inverter);
    char InvertCase(char c) const { return static_cast<char>(invertCase[static_cast<std::uint8_t>(c)]); }

    // Compiles the expression now (a search does it when needed).
    void Compile();
    bool IsCompiled() const { return compiled; }
    Program ProgramCode() const { return program; }
    const StartInfo& StartAnalysis() const { return startInfo; }

    // The text to search, up to its first zero byte; it is not copied.
    void SetInput(std::string_view text);
    bool Exec(std::string_view text);
    template <TemporaryString Text> void SetInput(Text&&) = delete;
    template <TemporaryString Text> bool Exec(Text&&) = delete;
    bool ExecPos(std::int64_t offset); // 1-based character number
    bool ExecNext();
    std::int64_t MatchPos(int group) const;
    std::int64_t MatchLen(int group) const;
    // How the last search ended: an aborted search, or one that ran out of backtracking stack or of
    // steps, has returned false like a search without match.
    SearchEnd LastSearchEnd() const { return lastSearchEnd; }

    // Polled every `interval` matcher steps; returning true stops the search as a failed one.
    void SetAbortHook(AbortHook hook, int interval = Matcher::kDefaultPollInterval);
    // The most backtracking entries a search may hold (each 24 bytes).
    void SetStackLimit(std::size_t frames) { matcher.SetStackLimit(frames); }
    // The steps one attempt may take before it ends as a failed search, beside the text's length.
    void SetBaseSteps(std::int64_t steps) { matcher.SetBaseSteps(steps); }
    // Off: the plain interpreter alone, without scans and shortcuts (for comparing results).
    void SetFastPaths(bool on) { matcher.SetFastPaths(on); }
    // How many tries of repeat followers one attempt comes back from before the search keeps the
    // failed ones in a table (0: from the first; for comparing results).
    void SetMemoThreshold(int failures) { matcher.SetMemoThreshold(failures); }

    virtual std::string ErrorText(int code) const;
    [[noreturn]] virtual void RaiseError(int code);
    // During a compilation, the number of expression characters before the parse position; else 0.
    int ErrorPosition() const { return compiling ? compilePosition : 0; }
    int LastError() const { return lastError; }

private:
    void Report(int code, int position) override;
    void DiscardProgram();
    // Inline, as a search for every further match asks: mostly nothing has changed since the last.
    void PrepareSearch() {
        if (!compiled || modifiers != programModifiers || tablesStale) {
            Prepare();
        }
    }
    void Prepare();

    std::string expression;
    bool hasExpression = false;
    bool compiled = false;
    unsigned modifiers = 0;
    unsigned programModifiers = 0;
    std::string spaceChars;
    std::string wordChars;
    std::string lineSeparators;
    int pairHead = -1;
    int pairTail = -1;
    std::array<std::uint8_t, 256> invertCase{};
    bool tablesStale = true; // the matcher's tables no longer show the settings above

    std::vector<std::uint8_t> program;
    StartInfo startInfo;
    bool compiling = false;
    int compilePosition = 0;
    int lastError = 0;

    bool hasInput = false;
    const std::uint8_t* textStart = nullptr;
    const std::uint8_t* textLimit = nullptr; // the view's end; the text ends at its first zero byte
    Matcher matcher;
    SearchEnd lastSearchEnd = SearchEnd::kNoMatch;
};

} // namespace regexpr
