// The matcher never overflows or runs away: long complex repeats, deep nesting and long alternations
// end as results or as failed searches, an abort hook stops a search, and compiling expressions whose
// loops can be empty terminates.

#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <string>

namespace {

using regexpr::SearchEnd;
using regexpr::TRegEngine;

std::string Repeat(const std::string& unit, std::size_t times) {
    std::string text = times > 0 ? unit : "";
    while (text.size() * 2 <= unit.size() * times) {
        text += text;
    }
    text += text.substr(0, unit.size() * times - text.size());
    return text;
}

TEST(RegexprLimits, ComplexRepeatOverAHundredMegabytesEndsAsAFailedSearch) {
    const std::string text = Repeat("ab", 50'000'000) + "c";
    TRegEngine engine;
    engine.SetExpression("(a|b)*c");
    EXPECT_FALSE(engine.Exec(text));
    EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kStackExhausted);
    EXPECT_EQ(engine.MatchPos(0), -1);
    EXPECT_EQ(regexpr::SearchRegExpr("(a|b)*c", text, ""), nullptr);
}

TEST(RegexprLimits, ComplexRepeatWithinTheBoundMatches) {
    const std::string text = Repeat("ab", 50'000) + "c";
    TRegEngine engine;
    engine.SetExpression("(a|b)*c");
    ASSERT_TRUE(engine.Exec(text));
    EXPECT_EQ(engine.MatchLen(0), static_cast<long long>(text.size()));
    EXPECT_EQ(engine.MatchPos(1), static_cast<long long>(text.size()) - 1);
}

TEST(RegexprLimits, SmallStackLimitFailsTheSearchAndLeavesNoMatch) {
    TRegEngine engine;
    engine.SetStackLimit(50);
    engine.SetExpression("(a|b)*x"); // a choice in each round, which the interpreter must keep
    const std::string text = Repeat("ab", 100) + "x";
    EXPECT_FALSE(engine.Exec(text));
    EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kStackExhausted);
    EXPECT_THROW(engine.ExecNext(), regexpr::ERegEngine);
    engine.SetStackLimit(1000);
    EXPECT_TRUE(engine.Exec(text));
    EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kMatch);
}

TEST(RegexprLimits, DeepNestingOfGroupsUnderARepeatEndsCleanly) {
    std::string expression = "(" + Repeat("(", 22) + "a|b" + Repeat(")", 22) + ")*c";
    TRegEngine engine;
    engine.SetExpression(expression);
    const std::string longText = Repeat("ab", 2'000'000) + "c";
    const std::string shortText = Repeat("ab", 1000) + "c";
    EXPECT_FALSE(engine.Exec(longText));
    EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kStackExhausted);
    EXPECT_TRUE(engine.Exec(shortText));
    EXPECT_EQ(engine.MatchPos(23), 2000);
}

TEST(RegexprLimits, LongAlternationAndLongChainsOfOptionalsMatch) {
    std::string alternation;
    for (int i = 0; i < 3000; ++i) {
        alternation += (i > 0 ? "|w" : "w") + std::to_string(i) + "x";
    }
    TRegEngine engine;
    engine.SetExpression(alternation);
    ASSERT_TRUE(engine.Exec("w1 w2999x"));
    EXPECT_EQ(engine.MatchPos(0), 4);

    TRegEngine optionals;
    optionals.SetExpression(Repeat("a?", 20000) + "b");
    const std::string text = "x" + Repeat("a", 5000) + "b";
    ASSERT_TRUE(optionals.Exec(text));
    EXPECT_EQ(optionals.MatchPos(0), 2);
    EXPECT_EQ(optionals.MatchLen(0), 5001);
}

TEST(RegexprLimits, AbortHookStopsARunawaySearch) {
    int polls = 0;
    TRegEngine engine;
    engine.SetAbortHook([&] { return ++polls >= 100; }, 1000);
    // 2^40 ways for the first branch to fail before the second matches
    engine.SetExpression("(a|a)*[b]|a+ b");
    const std::string text = Repeat("a", 40) + " b";
    EXPECT_FALSE(engine.Exec(text));
    EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kAborted);
    EXPECT_EQ(polls, 100);

    polls = 0;
    EXPECT_EQ(regexpr::SearchRegExpr("(a|a)*[b]|a+ b", text, "", [&] { return ++polls >= 10; }), nullptr);
    EXPECT_EQ(polls, 10);
}

// Without a hook the step budget ends a runaway attempt; an ordinary search of the same text, and an
// attempt whose steps pass the base but not the allowance for a long text, are not cut short. Each
// runaway attempt is made where a later branch does match, so that no look at the line or at the
// start rules it out.
TEST(RegexprLimits, StepBudgetEndsARunawayAttemptAsAFailedSearch) {
    const struct {
        const char* expression;
        std::string text;
        SearchEnd end;
        std::int64_t at = 1; // where the match is
    } cases[] = {
        {"(a+){2,}b|a+ a", "C:\\" + Repeat("a", 30) + " aab\r\nC:\\b\r\n", SearchEnd::kStepsExhausted},
        {"(?i)(a|a)*b|a+ b", Repeat("a", 30) + " b", SearchEnd::kStepsExhausted},
        {"(?i)(x+x+){1,9}y|x+ x", Repeat("x", 30) + " xxy", SearchEnd::kStepsExhausted},
        // Loops of + and *, which keep no count, fail where a try of the inner repeat failed before.
        {"(a+)+b|a+ b", Repeat("a", 30) + " b\r\nC:\\b\r\n", SearchEnd::kMatch},
        {"(?i)(x+x+)+y|x+ y", Repeat("x", 30) + " y", SearchEnd::kMatch},
        {"a+b", Repeat("a", 30), SearchEnd::kNoMatch},
        // A runaway line that holds no match is ruled out as a whole, before any attempt, and so is
        // every start in a line where no match begins.
        {"(?i)(x+x+){1,9}y", Repeat("x", 30) + " y\r\nxy", SearchEnd::kNoMatch},
        {"(?i)(x+x+){1,9}y", Repeat("x", 30) + " xxy", SearchEnd::kMatch, 32},
        {"(?s)(.)*z", Repeat("path\\name.txt\r\n", 20000) + "z", SearchEnd::kMatch},
    };
    for (const auto& c : cases) {
        TRegEngine engine;
        engine.SetBaseSteps(1 << 20);
        engine.SetExpression(c.expression);
        EXPECT_EQ(engine.Exec(c.text), c.end == SearchEnd::kMatch) << c.expression;
        EXPECT_EQ(engine.LastSearchEnd(), c.end) << c.expression;
        EXPECT_EQ(engine.MatchPos(0) == c.at, c.end == SearchEnd::kMatch) << c.expression;
    }
}

TEST(RegexprLimits, AbortHookIsPolledWhileSimpleRepeatsCountAndBackOff) {
    // Every attempt counts and backs off over the rest of the text: quadratic without polls in between.
    // The optional x and the class after the repeat keep the search from passing over the run that a
    // failed attempt counted and from ruling attempts out by a literal that must follow.
    const std::string text = "b" + Repeat("a", 2'000'000);
    for (const char* expression : {"ax?.*[bc]", "ax?.*?[bc]", "ax?[^b]*[bc]", "ax?\\w*[bc]"}) {
        int polls = 0;
        TRegEngine engine;
        engine.SetAbortHook([&] { return ++polls >= 20; }, 4096);
        engine.SetExpression(expression);
        EXPECT_FALSE(engine.Exec(text)) << expression;
        EXPECT_EQ(engine.LastSearchEnd(), SearchEnd::kAborted) << expression;
    }
}

// The hook is polled across many attempts; where every start of a long line but the last would
// fail only at the line's end, the attempts are spared and the match is found before it stops.
TEST(RegexprLimits, AbortHookIsPolledAcrossManyAttempts) {
    const struct {
        const char* expression;
        std::string text;
        SearchEnd end;
    } cases[] = {
        // Every "a" is a place to try: the optional letter, which may be an "a", keeps a scan of the
        // first characters from passing over them, and the run at the end, which may take any, keeps
        // the count of a letter from bounding where a match before the "b" starts.
        {"a\\w?b.*", Repeat("a", 100000) + "ab", SearchEnd::kAborted},
        {"(a|b)+x", Repeat("a", 100000) + " ax", SearchEnd::kMatch},
    };
    for (const auto& c : cases) {
        int polls = 0;
        TRegEngine engine;
        engine.SetAbortHook([&] { return ++polls >= 3; }, 64);
        engine.SetExpression(c.expression);
        EXPECT_EQ(engine.Exec(c.text), c.end == SearchEnd::kMatch) << c.expression;
        EXPECT_EQ(engine.LastSearchEnd(), c.end) << c.expression;
    }
}

struct SmallStackWork {
    bool repeatFailed = false;
    bool nestedMatched = false;
    bool optionalsMatched = false;
    std::string error;
};

void RunHeavySearchesOn(SmallStackWork& work) {
    TRegEngine repeat;
    repeat.SetExpression("(a|b)*c");
    const std::string repeatText = Repeat("ab", 5'000'000) + "c";
    work.repeatFailed = !repeat.Exec(repeatText);
    TRegEngine nested;
    nested.SetExpression(Repeat("(", 24) + "a|b" + ")*" + Repeat(")", 23) + "c");
    const std::string text = Repeat("ab", 1000) + "c";
    work.nestedMatched = nested.Exec(text);
    TRegEngine optionals;
    optionals.SetModifierS(false);
    optionals.SetExpression(Repeat(".?", 3000) + "c");
    work.optionalsMatched = optionals.Exec(text);
}

void* RunHeavySearches(void* argument) {
    auto* work = static_cast<SmallStackWork*>(argument);
    try {
        RunHeavySearchesOn(*work);
    } catch (const regexpr::ERegEngine& e) {
        work->error = e.what();
    }
    return nullptr;
}

TEST(RegexprLimits, HeavySearchesRunOnAThreadWithASmallStack) {
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 64 * 1024), 0);
    SmallStackWork work;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, RunHeavySearches, &work), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(work.error, "");
    EXPECT_TRUE(work.repeatFailed);
    EXPECT_TRUE(work.nestedMatched);
    EXPECT_TRUE(work.optionalsMatched);
}

TEST(RegexprLimits, LoopsWithEmptyBodiesCompileAndMatch) {
    struct Case {
        const char* expression;
        const char* modifiers;
        const char* text;
        long long position;
    };
    const Case cases[] = {
        {"(a?)??b", "", "xb", 2},
        {"(a?)?b", "-g", "xab", 2},
        {"(\\b)??x", "", "ax x", 2},
        {"((a?)?)?c", "-g", "c", 1},
    };
    for (const Case& c : cases) {
        TRegEngine engine;
        engine.SetModifierStr(c.modifiers);
        engine.SetExpression(c.expression);
        ASSERT_TRUE(engine.Exec(c.text)) << c.expression;
        EXPECT_EQ(engine.MatchPos(0), c.position) << c.expression;
    }
}

TEST(RegexprLimits, ElevenNestedActiveLoopsRaise1014AtSearchTime) {
    const std::string eleven = Repeat("(", 11) + "a" + Repeat("){1}", 11);
    TRegEngine engine;
    engine.SetExpression(eleven);
    engine.Compile();
    try {
        engine.Exec("a");
        FAIL() << "no error";
    } catch (const regexpr::ERegEngine& e) {
        EXPECT_EQ(e.ErrorId, regexpr::kErrLoopStackExceeded);
        EXPECT_STREQ(e.what(), "RegEngine(exec): Loop Stack Exceeded");
    }
    EXPECT_EQ(regexpr::SearchRegExpr(eleven, "a", ""), nullptr);
}

} // namespace
