// The engine against the table of cases in regexpr_cases.txt: every match in turn, group positions and
// errors with their codes and positions, once with the fast paths and once with the plain interpreter.

#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include "data_files.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using regexpr::ERegEngine;
using regexpr::TRegEngine;

struct Case {
    int line = 0;
    std::string expression;
    std::string modifiers;
    std::string subject;
    std::string expected;
    std::string groups;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab - from));
        if (tab == std::string::npos) {
            return fields;
        }
        from = tab + 1;
    }
}

std::vector<Case> ReadCases() {
    std::vector<Case> cases;
    for (const auto& [number, line] : ReadDataLines("regexpr_cases.txt")) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() != 4 && fields.size() != 5) {
            ADD_FAILURE() << "line " << number << ": " << fields.size() << " fields";
            continue;
        }
        cases.push_back({number, Unescape(fields[0]), Unescape(fields[1]), Unescape(fields[2]), fields[3],
                         fields.size() == 5 ? fields[4] : ""});
    }
    return cases;
}

// Runs one case as the search does (modifiers, expression, Exec, ExecNext until false) and describes
// the outcome in the table's own notation.
std::string RunCase(const Case& c, bool fastPaths, std::string& groups) {
    TRegEngine engine;
    engine.SetFastPaths(fastPaths);
    std::ostringstream out;
    try {
        if (!c.modifiers.empty()) {
            engine.SetModifierStr(c.modifiers);
        }
        engine.SetExpression(c.expression);
        bool found = engine.Exec(c.subject);
        if (found) {
            std::ostringstream groupText;
            for (int n = 1; n < regexpr::kMaxGroups; ++n) {
                groupText << n << "=" << engine.MatchPos(n) << ":" << engine.MatchLen(n) << " ";
            }
            groups = groupText.str();
        }
        if (!found) {
            out << "none";
        }
        for (int count = 0; found && count < 1000; ++count) {
            out << (count > 0 ? " " : "") << engine.MatchPos(0) << ":" << engine.MatchLen(0);
            found = engine.ExecNext();
        }
    } catch (const ERegEngine& e) {
        std::string text = out.str();
        if (text == "none") {
            text.clear();
        }
        return text + (text.empty() ? "" : " ") + "error " + std::to_string(e.ErrorId) + " " +
               std::to_string(e.ErrorPosition);
    }
    return out.str();
}

// Every "n=pos:len" of the expectation must be among the groups seen after the first match.
void CheckGroups(const Case& c, const std::string& seen) {
    std::istringstream wanted(c.groups);
    std::string item;
    while (wanted >> item) {
        EXPECT_NE((" " + seen).find(" " + item + " "), std::string::npos)
            << "line " << c.line << " /" << c.expression << "/: group " << item << " not in " << seen;
    }
}

class RegexprCases : public ::testing::TestWithParam<bool> {};

TEST_P(RegexprCases, EveryCaseOfTheTableGivesItsMatchesOrError) {
    const std::vector<Case> cases = ReadCases();
    ASSERT_GT(cases.size(), 150u);
    for (const Case& c : cases) {
        std::string groups;
        EXPECT_EQ(RunCase(c, GetParam(), groups), c.expected)
            << "line " << c.line << " /" << c.expression << "/";
        CheckGroups(c, groups);
    }
}

INSTANTIATE_TEST_SUITE_P(FastAndPlain, RegexprCases, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FastPaths" : "PlainInterpreter"; });

} // namespace
