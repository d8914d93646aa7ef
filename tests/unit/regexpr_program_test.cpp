// The bytes the compiler builds, as dumps, against regexpr_programs.txt; and the layout rules that the
// dump alone does not show (magic, native 32-bit links and operands).

#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include "data_files.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

using regexpr::TRegEngine;

struct ProgramCase {
    int line = 0;
    std::string expression;
    std::string modifiers;
    std::string dump;
};

std::vector<ProgramCase> ReadProgramCases() {
    std::vector<ProgramCase> cases;
    for (const auto& [number, line] : ReadDataLines("regexpr_programs.txt")) {
        if (line.rfind("== ", 0) == 0) {
            const std::size_t tab = line.find('\t');
            cases.push_back({number, Unescape(line.substr(3, tab - 3)),
                             tab == std::string::npos ? "" : line.substr(tab + 1), ""});
        } else if (!line.empty() && line[0] != '#' && !cases.empty()) {
            cases.back().dump += line + "\n";
        }
    }
    return cases;
}

std::string Compiled(const std::string& expression, const std::string& modifiers) {
    TRegEngine engine;
    if (!modifiers.empty()) {
        engine.SetModifierStr(modifiers);
    }
    engine.SetExpression(expression);
    engine.Compile();
    return regexpr::DumpProgram(engine.ProgramCode()) +
           regexpr::DumpStartInfo(engine.ProgramCode(), engine.StartAnalysis()) + "\n";
}

TEST(RegexprProgram, CompilerBuildsTheProgramsOfTheFixture) {
    const std::vector<ProgramCase> cases = ReadProgramCases();
    ASSERT_GT(cases.size(), 25u);
    for (const ProgramCase& c : cases) {
        EXPECT_EQ(Compiled(c.expression, c.modifiers), c.dump)
            << "line " << c.line << " /" << c.expression << "/";
    }
}

TEST(RegexprProgram, LayoutIsMagicThenNodesWithNativeLinksAndOperands) {
    TRegEngine engine;
    engine.SetExpression("a{2,300}");
    engine.Compile();
    const regexpr::Program code = engine.ProgramCode();
    // magic; Alternative at 1 linking 25 bytes on to ProgramEnd; SimpleBraces at 6 with 2 and 300.
    // clang-format off
    const std::vector<std::uint8_t> expected = {
        216,
        regexpr::kAlternative, 25, 0, 0, 0,
        regexpr::kSimpleBraces, 20, 0, 0, 0, 2, 0, 0, 0, 44, 1, 0, 0,
        regexpr::kLiteral, 0, 0, 0, 0, 'a', 0,
        regexpr::kProgramEnd, 0, 0, 0, 0,
    };
    // clang-format on
    ASSERT_EQ(std::vector<std::uint8_t>(code.begin(), code.end()), expected);
}

TEST(RegexprProgram, BackwardLinksAreNegativeDistances) {
    TRegEngine engine;
    engine.SetExpression("(ab)*");
    engine.Compile();
    const regexpr::Program code = engine.ProgramCode();
    // The LoopBack after the group's end leads back to the Alternative in front of the group.
    int loopBack = -1;
    for (std::size_t i = 1; i < code.size(); ++i) {
        if (code[i] == regexpr::kLoopBack) {
            loopBack = static_cast<int>(i);
        }
    }
    ASSERT_GT(loopBack, 0);
    EXPECT_EQ(regexpr::NextNode(code, loopBack), 6);
    EXPECT_LT(regexpr::ReadInt(&code[loopBack + 1]), 0);
}

TEST(RegexprProgram, EveryEmptyMemberSetIsAnInternalFailure) {
    for (const char* expression : {"\\s", "[\\s]", "\\S"}) {
        TRegEngine engine;
        engine.SetSpaceChars("");
        engine.SetExpression(expression);
        try {
            engine.Compile();
            ADD_FAILURE() << expression << " compiled";
        } catch (const regexpr::ERegEngine& e) {
            EXPECT_STREQ(e.what(), "RegEngine.ParseAtom(subroutine EmitRangeC): empty range") << expression;
        }
        EXPECT_FALSE(engine.IsCompiled());
    }
}

} // namespace
