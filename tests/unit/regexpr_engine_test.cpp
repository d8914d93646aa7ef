// TRegEngine's operations around the matcher: settings, modifiers, the lazy compilation, ExecPos and
// ExecNext, the group results, the error path with its messages, and SearchRegExpr.

#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using regexpr::ERegEngine;
using regexpr::TRegEngine;

// The code of the ERegEngine that `action` raises, or 0 when it raises none.
template <typename Action> int ErrorOf(Action action) {
    try {
        action();
    } catch (const ERegEngine& e) {
        return e.ErrorId;
    }
    return 0;
}

std::vector<std::pair<long long, long long>> AllMatches(TRegEngine& engine, const std::string& text) {
    std::vector<std::pair<long long, long long>> found;
    for (bool ok = engine.Exec(text); ok; ok = engine.ExecNext()) {
        found.emplace_back(engine.MatchPos(0), engine.MatchLen(0));
    }
    return found;
}

TEST(RegexprEngine, NewEngineHasTheDocumentedDefaults) {
    TRegEngine engine;
    EXPECT_FALSE(engine.ModifierI());
    EXPECT_TRUE(engine.ModifierR());
    EXPECT_TRUE(engine.ModifierS());
    EXPECT_TRUE(engine.ModifierG());
    EXPECT_FALSE(engine.ModifierM());
    EXPECT_FALSE(engine.ModifierX());
    EXPECT_EQ(engine.SpaceChars(), std::string(" \t\n\r\f"));
    EXPECT_EQ(engine.WordChars(), "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_");
    EXPECT_EQ(engine.LineSeparators(), "\r\n");
    EXPECT_EQ(engine.LinePairedSeparator(), "\r\n");
    EXPECT_FALSE(engine.HasExpression());
    EXPECT_FALSE(engine.IsCompiled());
}

TEST(RegexprEngine, ModuleDefaultsAreCopiedAtCreation) {
    regexpr::RegEngineModifierI = true;
    regexpr::RegEngineModifierS = false;
    TRegEngine changed;
    regexpr::RegEngineModifierI = false;
    regexpr::RegEngineModifierS = true;
    EXPECT_TRUE(changed.ModifierI());
    EXPECT_FALSE(changed.ModifierS());
    EXPECT_FALSE(TRegEngine().ModifierI());
}

TEST(RegexprEngine, ModifierStringSetsAndClearsLetterByLetter) {
    TRegEngine engine;
    engine.SetModifierStr("i-x");
    EXPECT_TRUE(engine.ModifierI());
    EXPECT_FALSE(engine.ModifierX());
    EXPECT_TRUE(engine.ModifierR() && engine.ModifierS() && engine.ModifierG());
    engine.SetModifierStr("X-SG");
    EXPECT_TRUE(engine.ModifierX());
    EXPECT_FALSE(engine.ModifierS());
    EXPECT_FALSE(engine.ModifierG());
    engine.SetModifierStr("-i-m"); // no way back to "on" after the first "-"
    EXPECT_FALSE(engine.ModifierI());
    EXPECT_FALSE(engine.ModifierM());
}

TEST(RegexprEngine, BadModifierLetterRaises1013AfterTheLettersBeforeIt) {
    TRegEngine engine;
    EXPECT_EQ(ErrorOf([&] { engine.SetModifierStr("iz"); }), regexpr::kErrBadModifier);
    EXPECT_TRUE(engine.ModifierI());
    EXPECT_EQ(engine.LastError(), regexpr::kErrBadModifier);
    for (int index : {0, 7, -1}) {
        EXPECT_EQ(ErrorOf([&] { engine.SetModifier(index, true); }), regexpr::kErrBadModifier) << index;
    }
}

TEST(RegexprEngine, ChangedModifiersRecompileAtTheNextSearch) {
    TRegEngine engine;
    engine.SetExpression("abc");
    EXPECT_FALSE(engine.Exec("ABC"));
    engine.SetModifierI(true);
    EXPECT_TRUE(engine.Exec("ABC"));
    engine.SetModifierStr("-i");
    EXPECT_FALSE(engine.Exec("ABC"));
}

TEST(RegexprEngine, EmptyExpressionRemovesTheTextAndTheSearchRaises1003) {
    TRegEngine engine;
    EXPECT_EQ(ErrorOf([&] { engine.Exec("abc"); }), regexpr::kErrNoExpression);
    engine.SetExpression("b");
    EXPECT_TRUE(engine.Exec("abc"));
    engine.SetExpression("");
    EXPECT_FALSE(engine.HasExpression());
    EXPECT_EQ(ErrorOf([&] { engine.Exec("abc"); }), regexpr::kErrNoExpression);
    engine.SetExpression(std::string("c\0d", 3)); // read up to the zero byte
    EXPECT_EQ(engine.Expression(), "c");
}

TEST(RegexprEngine, UnchangedExpressionOrPairKeepsTheProgram) {
    TRegEngine engine;
    engine.SetExpression("ab");
    engine.Compile();
    engine.SetExpression("ab");
    engine.SetLinePairedSeparator("\r\n");
    EXPECT_TRUE(engine.IsCompiled());
    engine.SetExpression("abc");
    EXPECT_FALSE(engine.IsCompiled());
    engine.Compile();
    engine.SetLinePairedSeparator("\n\r");
    EXPECT_FALSE(engine.IsCompiled());
}

TEST(RegexprEngine, CompileErrorLeavesNoProgramAndRecursAtTheNextSearch) {
    TRegEngine engine;
    engine.SetExpression("a(");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ErrorOf([&] { engine.Exec("a("); }), regexpr::kErrUnmatchedGroup);
        EXPECT_FALSE(engine.IsCompiled());
        EXPECT_TRUE(engine.ProgramCode().empty());
        EXPECT_EQ(engine.Expression(), "a(");
    }
}

TEST(RegexprEngine, MessagesCarryThePositionBelowCode1000Only) {
    TRegEngine engine;
    engine.SetExpression("a*?+");
    try {
        engine.Compile();
        FAIL() << "compiled";
    } catch (const ERegEngine& e) {
        EXPECT_STREQ(e.what(), "RegEngine(comp): Nested *?+ (pos 3)");
        EXPECT_EQ(e.ErrorPosition, 3);
    }
    EXPECT_EQ(engine.ErrorPosition(), 0);
    engine.SetExpression("a");
    engine.Exec("a");
    try {
        engine.ExecPos(0);
        FAIL() << "no error";
    } catch (const ERegEngine& e) {
        EXPECT_STREQ(e.what(), "RegEngine(exec): Offset Must Be Greater Than 0");
        EXPECT_EQ(e.ErrorId, regexpr::kErrBadOffset);
        EXPECT_EQ(e.ErrorPosition, 0);
    }
}

TEST(RegexprEngine, ErrorTableHasTheSystemTexts) {
    const std::vector<std::pair<int, std::string>> texts = {
        {100, "RegEngine(comp): Null Argument"},
        {103, "RegEngine(comp): ParseReg Unmatched ()"},
        {104, "RegEngine(comp): ParseReg Unmatched ()"},
        {110, "RegEngine(comp): Parse Atom Trailing \\"},
        {111, "RegEngine(comp): No Hex Code After \\x"},
        {115, "RegEngine(comp): ?+*{ Follows Nothing"},
        {128, "RegEngine(comp): LinePairedSeparator must contain two different chars or no chars at all"},
        {1007, "RegEngine(exec): ExecNext Without Exec[Pos]"},
        {1013, "Unknown error"},
        {1015, "RegEngine(exec): Loop Without LoopEntry !"},
        {101, "Unknown error"},
        {0, "Unknown error"},
        {2000, "Unknown error"},
    };
    TRegEngine engine;
    for (const auto& [code, text] : texts) {
        EXPECT_EQ(engine.ErrorText(code), text) << code;
    }
}

// An engine that words its errors itself and notes where the compiler stood when it failed.
class TNotingEngine : public TRegEngine {
public:
    std::string ErrorText(int code) const override { return "E" + std::to_string(code); }
    void RaiseError(int code) override {
        positions.push_back(ErrorPosition());
        TRegEngine::RaiseError(code);
    }
    std::vector<int> positions;
};

TEST(RegexprEngine, VirtualErrorTextAndRaiseErrorAreUsed) {
    TNotingEngine engine;
    engine.SetExpression("ab)");
    try {
        engine.Compile();
        FAIL() << "compiled";
    } catch (const ERegEngine& e) {
        EXPECT_STREQ(e.what(), "E104 (pos 2)");
    }
    EXPECT_EQ(engine.positions, std::vector<int>{2});
    EXPECT_EQ(engine.ErrorPosition(), 0);
}

TEST(RegexprEngine, PairedSeparatorIsTwoDifferentCharactersOrNone) {
    TRegEngine engine;
    for (const char* bad : {"a", "aa", "abc", "\n\n"}) {
        EXPECT_EQ(ErrorOf([&] { engine.SetLinePairedSeparator(bad); }), regexpr::kErrBadPairedSeparator)
            << bad;
    }
    EXPECT_EQ(engine.LinePairedSeparator(), "\r\n");
    try {
        engine.SetLinePairedSeparator("x");
    } catch (const ERegEngine& e) {
        EXPECT_EQ(std::string(e.what()), engine.ErrorText(regexpr::kErrBadPairedSeparator) + " (pos 0)");
    }
    engine.SetExpression("^\n");
    engine.SetModifierM(true);
    EXPECT_FALSE(engine.Exec("a\r\n")); // never between the two characters of a pair
    engine.SetLinePairedSeparator("");
    EXPECT_FALSE(engine.IsCompiled());
    EXPECT_TRUE(engine.Exec("a\r\n"));
    EXPECT_EQ(engine.MatchPos(0), 3);
}

TEST(RegexprEngine, SeparatorAndWordSettingsShapeLinesAndBoundaries) {
    TRegEngine engine;
    engine.SetLineSeparators(";");
    engine.SetLinePairedSeparator("");
    engine.SetModifierStr("m-s");
    engine.SetExpression("^b.*$");
    EXPECT_EQ(AllMatches(engine, "ab\n;bc;b"),
              (std::vector<std::pair<long long, long long>>{{5, 2}, {8, 1}}));

    TRegEngine words;
    words.SetWordChars("ab");
    words.SetExpression("\\bc");
    EXPECT_EQ(AllMatches(words, "xc ac"), (std::vector<std::pair<long long, long long>>{{5, 1}}));
}

// A setting that the compiler reads, changed after a search, shapes the next search as in a fresh engine.
TEST(RegexprEngine, SettingsTheCompilerReadsDiscardTheProgram) {
    const struct {
        const char* what;
        const char* expression;
        const char* modifiers;
        const char* subject;
        void (*change)(TRegEngine&);
    } cases[] = {
        {"word characters", "\\w+", "", "xyz ab", [](TRegEngine& e) { e.SetWordChars("ab"); }},
        {"space characters", "\\s", "", "a b;c", [](TRegEngine& e) { e.SetSpaceChars(";"); }},
        {"line separators", "^c", "m", "a;c\nc", [](TRegEngine& e) { e.SetLineSeparators(";"); }},
        {"case inverter", "[a]", "i", "xBA",
         [](TRegEngine& e) { e.SetInvertCase([](char c) { return c == 'a'   ? 'B'
                                                                 : c == 'B' ? 'a'
                                                                            : c; }); }},
    };
    for (const auto& c : cases) {
        TRegEngine used;
        used.SetModifierStr(c.modifiers);
        used.SetExpression(c.expression);
        used.Exec(c.subject);
        c.change(used);
        TRegEngine fresh;
        fresh.SetModifierStr(c.modifiers);
        c.change(fresh);
        fresh.SetExpression(c.expression);
        ASSERT_TRUE(fresh.Exec(c.subject)) << c.what;
        EXPECT_FALSE(used.IsCompiled()) << c.what;
        ASSERT_TRUE(used.Exec(c.subject)) << c.what;
        EXPECT_EQ(used.MatchPos(0), fresh.MatchPos(0)) << c.what;
        EXPECT_EQ(used.MatchLen(0), fresh.MatchLen(0)) << c.what;
    }
}

TEST(RegexprEngine, CaseInverterCanBeReplaced) {
    TRegEngine engine;
    engine.SetInvertCase([](char c) { return c == 'a' ? 'b' : c == 'b' ? 'a' : c; });
    engine.SetModifierI(true);
    engine.SetExpression("a");
    EXPECT_TRUE(engine.Exec("xb"));
    EXPECT_FALSE(engine.Exec("A"));
    engine.SetInvertCase({});
    engine.SetExpression("[a]"); // classes fold at compile time
    EXPECT_TRUE(engine.Exec("A"));
    EXPECT_EQ(engine.InvertCase('\xE0'), '\xC0'); // code page 1251
    EXPECT_EQ(engine.InvertCase('\xA8'), '\xB8');
    EXPECT_EQ(engine.InvertCase('5'), '5');
}

TEST(RegexprEngine, ExecPosOffsetsAndTheirErrors) {
    TRegEngine engine;
    engine.SetExpression("a");
    EXPECT_EQ(ErrorOf([&] { engine.ExecPos(1); }), regexpr::kErrNoInput);
    engine.SetInput("bab");
    EXPECT_EQ(ErrorOf([&] { engine.ExecPos(0); }), regexpr::kErrBadOffset);
    EXPECT_TRUE(engine.ExecPos(2));
    EXPECT_FALSE(engine.ExecPos(3));
    EXPECT_FALSE(engine.ExecPos(5)); // length + 2
    TRegEngine end;
    end.SetExpression("$|^");
    end.SetInput("ab");
    EXPECT_FALSE(end.ExecPos(3)); // no attempt at the text end itself
}

TEST(RegexprEngine, ExecNextNeedsAPreviousMatch) {
    TRegEngine engine;
    EXPECT_EQ(ErrorOf([&] { engine.ExecNext(); }), regexpr::kErrExecNextWithoutExec);
    engine.SetExpression("a");
    EXPECT_FALSE(engine.Exec("bbb"));
    EXPECT_EQ(ErrorOf([&] { engine.ExecNext(); }), regexpr::kErrExecNextWithoutExec);
    EXPECT_TRUE(engine.Exec("ab"));
    engine.SetInput("ab"); // a new input clears the groups
    EXPECT_EQ(engine.MatchPos(0), -1);
    EXPECT_EQ(ErrorOf([&] { engine.ExecNext(); }), regexpr::kErrExecNextWithoutExec);
}

TEST(RegexprEngine, ExecNextStepsOverEmptyMatches) {
    TRegEngine engine;
    engine.SetExpression("b*");
    EXPECT_EQ(AllMatches(engine, "bbabb"), (std::vector<std::pair<long long, long long>>{{1, 2}, {4, 2}}));
    engine.SetExpression("a*");
    EXPECT_EQ(AllMatches(engine, "baab"), (std::vector<std::pair<long long, long long>>{{2, 2}}));
    engine.SetExpression("^$");
    EXPECT_EQ(AllMatches(engine, ""), (std::vector<std::pair<long long, long long>>{{1, 0}}));
}

TEST(RegexprEngine, GroupResultsOutsideTheRangeOrUnsetAreMinusOne) {
    TRegEngine engine;
    EXPECT_EQ(engine.MatchPos(0), -1); // no input
    engine.SetExpression("(a)|b");
    ASSERT_TRUE(engine.Exec("b"));
    EXPECT_EQ(engine.MatchPos(1), -1);
    EXPECT_EQ(engine.MatchLen(1), -1);
    EXPECT_EQ(engine.MatchPos(25), -1);
    EXPECT_EQ(engine.MatchLen(-1), -1);
    EXPECT_EQ(engine.MatchPos(0), 1);
}

TEST(RegexprEngine, SearchWithoutAttemptLeavesTheGroupsAsTheyWere) {
    TRegEngine engine;
    engine.SetExpression("a*b");
    ASSERT_TRUE(engine.Exec("aab-"));
    EXPECT_FALSE(engine.ExecNext()); // the required literal "b" is not found: no attempt
    EXPECT_EQ(engine.MatchPos(0), 1);
    EXPECT_EQ(engine.MatchLen(0), 3);
    engine.SetExpression("a");
    ASSERT_TRUE(engine.Exec("ab"));
    EXPECT_FALSE(engine.ExecPos(3)); // past the end: no attempt
    EXPECT_EQ(engine.MatchPos(0), 1);
}

TEST(RegexprEngine, TextIsReadUpToItsFirstZeroByte) {
    TRegEngine engine;
    engine.SetExpression("b");
    const std::string text("a\0b", 3);
    EXPECT_FALSE(engine.Exec(text));
    engine.SetExpression("a$");
    EXPECT_TRUE(engine.Exec(text));
    // Whichever scan looks beyond the zero byte, the text behaves as the one before it.
    const std::string before("a");
    for (const char* expression :
         {"b", "(?i)b", "[b]", "[bc]", "b|c", "a?b", "\\x62", "a\\b", "a?$", "\\w*"}) {
        TRegEngine cut;
        cut.SetExpression(expression);
        engine.SetExpression(expression);
        EXPECT_EQ(engine.Exec(text), cut.Exec(before)) << expression;
        EXPECT_EQ(engine.MatchPos(0), cut.MatchPos(0)) << expression;
        EXPECT_EQ(engine.MatchLen(0), cut.MatchLen(0)) << expression;
        EXPECT_EQ(engine.ExecPos(2), cut.ExecPos(2)) << expression;
        EXPECT_FALSE(engine.ExecPos(3)) << expression;
    }
}

// A view need not be followed by a zero byte: no scan reads past it, even where a match would go on.
TEST(RegexprEngine, ViewIsNotReadPastItsEnd) {
    const std::string_view tail = "..xab";
    const auto bytes = std::make_unique<char[]>(tail.size()); // on the heap, so that a read past shows
    std::copy(tail.begin(), tail.end(), bytes.get());
    const std::string_view text(bytes.get(), tail.size());
    for (const char* expression : {"abc", "xabc", "(?i)xabc", "abc.*d", "xab[cd]", "b\\w"}) {
        TRegEngine engine;
        engine.SetExpression(expression);
        EXPECT_FALSE(engine.Exec(text)) << expression;
    }
    TRegEngine engine;
    engine.SetExpression("ab$");
    ASSERT_TRUE(engine.Exec(text));
    EXPECT_EQ(engine.MatchPos(0), 4);
}

// The search reads catalog after catalog into one buffer: what the fast paths learnt of the bytes
// searched before must not hold for the new ones at the same place.
TEST(RegexprEngine, TextChangedInPlaceIsReadAnew) {
    std::string buffer = "\\\\xab";
    const std::string_view text(buffer);
    TRegEngine engine;
    engine.SetModifierStr("-s");
    engine.SetExpression("(.*\\\\){2}x");
    ASSERT_TRUE(engine.Exec(text));
    buffer.replace(0, buffer.size(), "ab\\\\x"); // the two backslashes now stand after the ones seen
    ASSERT_TRUE(engine.Exec(text));
    EXPECT_EQ(engine.MatchPos(0), 1);
    EXPECT_EQ(engine.MatchLen(0), 5);
}

// The engine keeps no copy of its text, so a temporary string is refused at compile time.
template <typename Text>
concept Searchable = requires(TRegEngine& engine, Text&& text) {
    engine.Exec(std::forward<Text>(text));
};
template <typename Text>
concept SearchableByEntry = requires(Text&& text) {
    regexpr::SearchRegExpr("a", std::forward<Text>(text), "");
};
static_assert(!Searchable<std::string>);
static_assert(Searchable<const std::string&>);
static_assert(Searchable<const char*>);
static_assert(Searchable<std::string_view>);
static_assert(!SearchableByEntry<std::string>);
static_assert(SearchableByEntry<std::string&>);
static_assert(SearchableByEntry<const char*>);

TEST(RegexprSearch, SearchRegExprReturnsTheEngineOnItsFirstMatchOrNothing) {
    const std::string text = "one two three";
    auto engine = regexpr::SearchRegExpr("t\\w+", text, "");
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(engine->MatchPos(0), 5);
    EXPECT_EQ(engine->MatchLen(0), 3);
    ASSERT_TRUE(engine->ExecNext());
    EXPECT_EQ(engine->MatchPos(0), 9);
    EXPECT_FALSE(engine->ExecNext());

    EXPECT_EQ(regexpr::SearchRegExpr("a(", "a(", ""), nullptr);
    EXPECT_EQ(regexpr::SearchRegExpr("", text, ""), nullptr);
    EXPECT_EQ(regexpr::SearchRegExpr("four", text, ""), nullptr);
    EXPECT_EQ(regexpr::SearchRegExpr("one", text, "iq"), nullptr);
}

TEST(RegexprSearch, ModifierStringIsAppliedBeforeCompiling) {
    const std::string text = "ONE\r\ntwo";
    EXPECT_NE(regexpr::SearchRegExpr("one", text, "irsg-mx"), nullptr);
    EXPECT_EQ(regexpr::SearchRegExpr("one", text, "rsg-imx"), nullptr);
    EXPECT_EQ(regexpr::SearchRegExpr("^two", text, "irsg-mx"), nullptr);
    auto lines = regexpr::SearchRegExpr("^two", text, "irsgm-x");
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->MatchPos(0), 6);
}

} // namespace
