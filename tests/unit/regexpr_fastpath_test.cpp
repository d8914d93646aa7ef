// The fast paths (character scans, the literal-program scan, repeats of "." without s) against the
// plain interpreter, on generated expressions and texts: every match, every group and every error must
// be the same.

#include "regexpr/regexpr.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace {

using regexpr::TRegEngine;

class ExpressionMaker {
public:
    explicit ExpressionMaker(unsigned seed) : random_(seed) {}

    std::string Expression() {
        groups_ = 0;
        return Sequence(3);
    }

    std::string Modifiers() {
        static const char* const kChoices[] = {"", "-s", "-s", "m-s", "i-s", "-g", "-sg", "im", "ms-g", "s"};
        return kChoices[Pick(10)];
    }

    std::string Text() {
        static const char kAlphabet[] = "aabbbcx \r\n\r\nAB1._";
        std::string text;
        const int length = Pick(3) == 0 ? Pick(200) : Pick(24);
        for (int i = 0; i < length; ++i) {
            text += kAlphabet[Pick(sizeof kAlphabet - 1)];
        }
        if (!text.empty() && Pick(4) == 0) {
            text[Pick(static_cast<int>(text.size()))] = '\0'; // the text ends there, though scans run on
        }
        return text;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    std::string Sequence(int depth) {
        std::string sequence;
        const int pieces = 1 + Pick(4);
        for (int i = 0; i < pieces; ++i) {
            sequence += Piece(depth);
        }
        if (depth > 0 && Pick(6) == 0) {
            sequence += "|" + Sequence(depth - 1);
        }
        return sequence;
    }

    std::string Piece(int depth) {
        std::string atom = Atom(depth);
        static const char* const kQuantifiers[] = {"*",  "+",     "?",   "*?",     "+?",
                                                   "??", "{1,3}", "{2}", "{0,2}?", "{1,}"};
        if (Pick(2) == 0) {
            atom += kQuantifiers[Pick(10)];
        }
        return atom;
    }

    std::string Atom(int depth) {
        // Literals of characters with and without a case, so that the leading-literal scan picks
        // characters at different offsets.
        static const char* const kAtoms[] = {".",       ".",     ".",   "a",   "b",    "ab", "x",   "[ab]",
                                             "[^a\\n]", "\\w",   "\\s", "\\d", "^",    "$",  "\\b", "\\n",
                                             "\\r",     "[a-c]", "\\B", "c",   "\\.1", "B_"};
        constexpr int kAtomCount = sizeof kAtoms / sizeof kAtoms[0];
        const int choice = Pick(depth > 0 ? kAtomCount + 4 : kAtomCount);
        if (choice < kAtomCount) {
            return kAtoms[choice];
        }
        if (choice == kAtomCount && groups_ > 0) {
            return "\\" + std::to_string(1 + Pick(groups_));
        }
        ++groups_;
        return "(" + Sequence(depth - 1) + ")";
    }

    std::mt19937 random_;
    int groups_ = 0;
};

constexpr int kPollInterval = 1024;
constexpr int kPollBudget = 100;

// Line separators and the paired separator; nothing for the engine's own.
struct LineSettings {
    const char* separators = nullptr;
    const char* pair = nullptr;
};

// Every match with the groups 0 ... 3, or the error, in one line. A search that runs past its step
// budget (generated expressions can backtrack exponentially) ends in "end 2", which the caller skips:
// the two ways take different numbers of steps.
std::string Outcome(const std::string& expression, const std::string& modifiers, const std::string& text,
                    bool fastPaths, bool budget = true, LineSettings lines = {}, int memoThreshold = -1) {
    TRegEngine engine;
    engine.SetFastPaths(fastPaths);
    if (memoThreshold >= 0) {
        engine.SetMemoThreshold(memoThreshold);
    }
    if (lines.separators != nullptr) {
        engine.SetLineSeparators(lines.separators);
        engine.SetLinePairedSeparator(lines.pair);
    }
    int polls = 0;
    if (budget) {
        engine.SetAbortHook([&] { return ++polls > kPollBudget; }, kPollInterval);
    }
    std::ostringstream out;
    try {
        engine.SetModifierStr(modifiers);
        engine.SetExpression(expression);
        int count = 0;
        for (bool found = engine.Exec(text); found && count < 100; found = engine.ExecNext(), ++count) {
            for (int group = 0; group < 4; ++group) {
                out << engine.MatchPos(group) << ":" << engine.MatchLen(group) << " ";
            }
            out << "| ";
        }
        // A failed search leaves the groups cleared only when it made attempts.
        out << "after " << engine.MatchPos(0) << ":" << engine.MatchLen(0) << " ";
        out << "end " << static_cast<int>(engine.LastSearchEnd());
    } catch (const regexpr::ERegEngine& e) {
        out << "error " << e.ErrorId;
    }
    return out.str();
}

TEST(RegexprFastPaths, GeneratedExpressionsMatchAsInThePlainInterpreter) {
    ExpressionMaker maker(20261208);
    int matched = 0;
    int overBudget = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string expression = maker.Expression();
        const std::string modifiers = maker.Modifiers();
        // The third text with other line breaks: a lone LF (CR only as the pair's head), or "b" unpaired.
        const LineSettings otherLines = i % 2 == 0 ? LineSettings{"\n", "\r\n"} : LineSettings{"b", ""};
        for (int j = 0; j < 3; ++j) {
            const std::string text = maker.Text();
            const LineSettings lines = j == 2 ? otherLines : LineSettings{};
            // Half the fast runs keep every failed try from the first on, as a long line would make them.
            const std::string fast =
                Outcome(expression, modifiers, text, true, true, lines, i % 2 == 0 ? 0 : -1);
            const std::string plain = Outcome(expression, modifiers, text, false, true, lines);
            if (fast.ends_with("end 2") || plain.ends_with("end 2")) {
                ++overBudget;
                continue;
            }
            ASSERT_EQ(fast, plain) << "/" << expression << "/ " << modifiers << " over \"" << text << "\"";
            matched += fast.find('|') != std::string::npos;
        }
    }
    EXPECT_GT(matched, 2000); // the generator must make expressions that do match
    EXPECT_LT(overBudget, 100);
}

TEST(RegexprFastPaths, LiteralsAndLineRepeatsOverALongCatalogText) {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        if (i == 200) {
            // A long line over which repeats backtrack far.
            text += "C:\\Deep";
            for (int depth = 0; depth < 60; ++depth) {
                text += "\\folder" + std::to_string(depth % 11) + (depth % 17 == 0 ? ".zip" : "");
            }
            text += "\\file.txt\r\n";
        }
        if (i == 50) {
            // Folders of a letter each: far more letters after a backslash than digits after a letter.
            for (int line = 0; line < 120; ++line) {
                text += "C:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\l.txt\r\n";
            }
        }
        if (i == 100) {
            text += "C:\r\nreadme 1999.txt\r\n"; // lines without a backslash
            text += "C:\\9readme 1999\\x.txt\r\n";
        }
        if (i == 300) {
            // Letters whose two cases differ in more than one bit: \xa1 \xa2, \xa3 \xbc, \xa5 \xb4.
            text += "C:\\Disk\\\xa1\xa2 \xbc\xa3\xa5.\xb4txt\r\n";
        }
        text += "C:\\Disk\\folder" + std::to_string(i % 97) + "\\file" + std::to_string(i) +
                (i % 7 == 0 ? " copy " + std::to_string(1990 + i % 20) + ".doc" : "") + ".txt\r\n";
    }
    const char* const expressions[] = {
        "file399", "folder9\\\\", "file1.*\\.txt", "^C.*7$", "\\\\f.+?r", "le(1|2)3", "e.{3,5}t", "x.*?\\r",
        "2\\.tx", "e.*", "e3[0-9]{2}\\.txt", "\\.txt$", "der1.*9\\\\", "k\\\\F",
        // Leading literals of several branches, in a group and after a literal
        "(file|der)1\\d", "file3|der4|sk\\\\", "\\\\(fo|fi)l", "(x|file)?3\\d\\.",
        "\\b(file|folder)\\d+\\.txt",
        // Choices whose branches are passed over by their first character: literals, classes, repeats,
        // empty branches and branches of zero width that go on after the choice, nested choices
        "(file|folder|copy) \\d", "\\\\(\\d+|[a-z]+x|Disk)\\\\", "(e|)\\d{2}\\.", "(\\b|x)file",
        "((f|D)i|co)[a-z]", "(a*|f)older", "(\\d{2,}|k)\\\\", "(.|\\d)9\\.t", "(s|$)",
        // A class or an escape first, with and without a rare literal after it
        "\\d{3}", "[a-z]+\\.txt", "[a-z]+9\\\\", "\\d+\\.(txt|doc)$", "\\w+r3", "[^\\\\]+9\\.t",
        "\\\\[^\\\\]+ \\d", ".*9\\.txt", ".+?r1\\\\", "(\\d+)x", "\\d+\\s+", "[a-z]+\\s*\\d{2}\\.",
        // A run of a class that must end where the literal after it stands
        "\\w+\\.doc", "[^\\\\]*\\.zip", "\\d{2,}\\.t", "[a-z]+?e3", "\\D+9\\\\", "(\\d+)\\.txt", "[a-z]*C",
        "[a-z]+:", "([a-z]+)e[a-z]p\\\\",
        // A run of a class whose end decides where the items after it stand
        "\\\\[^\\\\]+ \\d{4}\\\\", "\\\\[a-z]+\\d\\d\\\\", "\\\\\\w+ \\d", "\\\\[^\\\\]*9\\\\",
        "k\\\\[a-z]+\\d{2}\\.", "\\\\[a-z]+[a-z0-9]\\\\",
        // ... which decides the match when nothing follows those items, and only then
        "\\\\([^\\\\]+) \\d", "\\\\[^\\\\]+9\\\\f", "\\\\[a-z]+\\d\\\\$", "[a-z]+\\d{2}\\\\",
        "\\\\[^\\\\]{2,}\\.t",
        // First items of single characters, found by their sets; a run found by the items that end it,
        // before and after the character that does, back to its start and the prefix before it
        "\\d\\d\\.t", "\\\\\\d{2}", "r\\d\\\\", "\\\\[A-Z][a-z]+ \\d", "[a-z]\\d\\d", "(\\d)\\d\\.",
        "[a-z]+\\d+", "[a-z]*\\d\\d\\\\", "\\\\[^\\\\]+ \\d{4}\\.", "[^\\\\]+ \\d{3}", "e[a-z]+\\d",
        "\\\\[a-z]+\\d{2}\\\\f", "k\\\\[a-z]*\\d+\\\\", "\\\\[a-z]+[0-9]+\\.",
        // ... and one after items of a character each, which the check of the run's end does not decide
        "\\\\file\\d{3} copy \\d{4}_[a-z]+\\.t", "[D-F][a-z]+\\d", "\\\\[a-z]\\d?[a-z]+\\d",
        "\\\\\\d{2}[a-z]*\\.", "r\\d[^\\\\]+ \\d",
        // ... or after items that take only the run's characters, which the run back passes over
        "\\\\F[a-z]+\\d", "\\\\[a-z][a-z]*\\d+", "\\\\[a-z0-9][a-z]+ \\d", "\\\\[a-z]{2}[a-z]{1,3}\\d",
        "\\\\[a-z][^\\\\]+$", "\\\\[a-z]\\d[a-z]+\\d",
        // ... or that take just the run's characters, and so begin where the run does
        "[a-z][a-z]+ \\d", "[A-Z][a-z]+ \\d{4}", "[a-z]{2}[a-z]*\\.", "[a-z][a-z]{1,3}\\d", "\\w\\w+$",
        "[a-z][a-z]+(copy|file)", "^[a-z][a-z]+\\d",
        // ... and a bounded one, whose run may be longer than it takes
        "[a-z]{2,4}\\d\\\\", "\\d{1,3}\\.t", "\\\\[a-z]{3,6}\\d", "[a-z]{2,4}?\\d", "\\d{2,3} ",
        // ... whose follower stands only on some of the run's characters, which the run may not hold
        "\\\\\\w+\\d", "\\\\[^\\\\]+\\d\\d", "k\\\\\\w{2,}\\d", "\\\\[a-z0-9]+\\d$",
        // Words of a choice checked with the characters after them, also where one word begins another
        "(file|folder)\\d\\\\", "(copy|file) 19\\d\\d", "(fi|file|copy)\\d", "(file|copy|fi)l?e\\d",
        "(Disk|x)\\\\f",
        // Ways that make no choice within themselves, their groups set without an attempt
        "(19|20)\\d{2}", "(copy|file)(\\d+)", "(fi|file)\\d+", "((e)|(l))(\\d+)", "(x|)(\\d+)()",
        "(f|D)(i|o)[a-z]{2}", "(f|fi)[a-z]+", "(k|r)\\\\(\\w)", "\\d{2}(\\.t|)",
        // ... found each by its own rarer characters, when an optional item makes the first ones frequent
        "\\\\?[A-Z]:", "x?[a-z]:\\\\", "(\\\\|k)?[a-z]\\d+", "(e|r)?\\d{2}\\.t", "([a-z]\\\\)?f\\w\\w",
        // An optional item of one character first, before a rest that is searched for on its own
        "\\\\?[a-z]+\\d", "(\\\\|/)?[a-z]+\\d", "x??[a-z]+\\d", "(\\\\)?([a-z]+)\\d", "(k|r)?\\\\f[a-z]+",
        "-?\\d+\\.", "(\\\\|e)?\\d{2,}", "y?[a-z]+\\.txt", "\\s?\\d+\\.doc", "(\\\\|:)?\\\\?\\w+$",
        "(\\\\)?[a-z]+\\d\\1", "(\\d)?\\d+\\.t", "(e|r)??[a-z]+\\d",
        // A repeat followed by the end of a line, found backwards from the run's end
        "\\\\[^\\\\]*$", "^C:\\\\[^\\\\]+$", "[a-z]+$", "\\w*\\r?$", "\\.[^\\\\]+$", "(?s)\\d.*$",
        // The first round of a counted loop, which every match begins with
        "(\\w+\\\\){3}", "(\\\\[a-z]+){2}\\d", "(^C:){1,2}", "(^C:){0,1}\\\\f", "(\\d{2}){2}\\.",
        "([a-z]+\\d?){0,2}\\\\", "((k|r)\\\\[a-z]+){1,3}\\d", "([a-z]\\d){2}", "(\\d{2}){2}[a-z]",
        // ... and runs that give back nothing, as what follows them cannot begin with their characters
        "(\\\\\\w+){2,}\\.", "(\\w+\\s)+copy", "(\\\\[a-z]+){2}[a-z]", "([a-z]+\\d){2,}?\\\\",
        "([a-z]+[0-9]*){2}\\\\", "(\\w+(\\\\|\\.)){3}txt", "(\\\\[a-z]+){0,2}\\d", "k(\\\\[a-z]+){1,2}",
        "(\\\\\\w{1,3}){2,}\\.", "(\\\\[a-z]*){2,}\\.", "(\\d+[a-z]?){2}", "(\\\\[a-z]+){2}\\w*",
        "(\\w+\\\\)+", "(\\\\\\w+)*\\.", "k(\\\\[a-z]+)+\\d", "(\\\\[a-z]+)*?\\d", "(\\d+\\.)+t",
        // ... or only to where what follows them can stand, a line's end and the text's end among them
        "(\\\\[^\\\\]+){3}$", "^.*\\d{3}.*$", "(.*\\\\){3}", "[^\\\\]+(\\\\|$)", "e399[^\\\\]+(\\\\|$)",
        "(\\w+)(\\.|$)", "[a-z]+(\\d|\\.t)",
        // Lines with fewer of a byte than every match holds, passed over: counted through loops, repeats
        // and choices
        "(\\w+\\\\){4}", "(\\w+\\\\){2}f", "\\w+ \\w+ \\w+", "\\\\\\w+\\\\\\w+\\\\",
        "(\\\\|x)\\w+\\\\[a-z]+\\d\\\\", "(\\\\[a-z]+){2,}\\d", "k\\\\.*\\\\.*\\\\f", "r\\d \\d|\\\\{2}f",
        "\\d+\\.[a-z]+\\.t", "^C(.\\\\)?\\w+\\\\[^\\r\\n]*\\\\",
        // ... and, across lines, starts no further back from a required literal than a byte that matches
        // hold only so often allows
        "[^\\\\]+\\\\[^\\\\]+\\.doc", "(\\\\[^\\\\]+){2}copy", "[^\\\\]+(\\\\|x)[^\\\\]+copy",
        "\\s\\d+\\.doc", "[^\\\\]*\\\\f[^\\\\]*399",
        // ... or than a line's end, where every match ends, allows
        "((\\\\[^\\\\]+){2}$)", "\\\\[a-z]+\\\\[^\\\\]+$", "(\\\\[^\\\\]+$|\\\\D)",
        "\\\\\\w+(\\\\[^\\\\]+)?$",
        // Rounds that must still be made where the rest of the line holds too few of a byte for them and
        // what follows, in and out of choices
        "(.*\\\\){2}f", "(.*\\\\){2,3}?f", "(.*(\\\\|7)){2}f", "(file|(.*\\\\){2}\\w+\\.)",
        // Lines ruled out as a whole: choices, classes and bounded repeats in loops of groups, and anchors
        // and word boundaries, which the look at a line lets pass
        "(a|e|i|o)+l\\d", "(\\\\[a-z]+\\d{1,2}){2}\\\\f", "(\\b\\w+ ){2}\\d{4}", "(^C:\\\\\\w+)+\\\\file3",
        "((fo|fi)[a-z]{2,4}\\d*\\\\?){3}\\.", "(\\d\\.?)+t$", "(e(r|d)\\d+\\\\){2}",
        // Attempts only where a line starts
        "^[^\\\\]+$", "^[A-Z]:\\\\[^\\\\]+\\\\f", "^\\w+", "(^[^x]\\S)", "^[^\\r]*?7",
        // ... and the run back from a line end or a literal after it to the prefix before it, which
        // may not stand there
        "[^\\\\]*$", "\\\\[^\\\\]+$", "k\\\\[^\\\\]*$", "\\\\[^\\\\\\r\\n]*$", "\\\\[^\\\\]*?$", "\\d*$",
        "\\\\[^\\\\]+\\.txt$", "[^\\\\]+\\.doc", "k\\\\[^\\\\]*1\\.t", "\\\\\\w+\\.txt", "\\\\[^\\\\]+?9\\\\",
        "7\\\\[^\\\\]+\\.txt",
        // ... or from the first of the literals that its follower may begin with
        "[^\\\\]+\\.(doc|txt)$", "\\\\[^\\\\]+(copy|file)\\d", "[^\\\\]+(x|\\.t|e3)", "\\\\[a-z]+(9|er1)\\\\",
        // ... to items of a character each and a line's start, which may stand elsewhere in a line
        "^[a-z]\\\\[^\\\\]+$", "^.:\\\\[^\\\\]*$", "^[a-z]\\\\[^\\\\]+\\.txt", "^\\w:\\\\[^\\\\\\r\\n]+$",
        "\\\\f[a-z][^\\\\]*$", "^[^\\\\]*$.*readme",
        // ... also inside the line of a required literal
        "\\\\[^\\\\\\r\\n]*e399\\.txt", "\\\\[^\\\\\\r\\n]*\\.doc.*7\\.txt$", "\\\\[^\\\\\\r\\n]*$.*e39",
        // A repeat of a class alone
        "\\d{2,}", "\\d{2,}?", "[a-z]{3,5}", "\\D{3}",
        // Absent literals and a required literal that spans lines with s
        "zqx", "file9999", "(\\w+\\s)+zqx", "([^\\\\]+)e399\\.txt", "(\\s|\\d)+copy", "(?s)9\\.txt.*file1\\.",
        "\\d+(?s).\\nC",
        // Literals of letters whose cases differ in more than one bit, alone and in a choice
        "\xa2\xa1", "\xa3\xbc\xb4", "\xa1\xa1|\xbc\xbc|fil"};
    for (const char* expression : expressions) {
        for (const char* modifiers : {"-s", "m-s", "i-s", "ims"}) {
            EXPECT_EQ(Outcome(expression, modifiers, text, true, false),
                      Outcome(expression, modifiers, text, false, false))
                << expression << " " << modifiers;
        }
    }
    // Repeats that backtrack far over the long line, where the search keeps the tries that failed
    // (without s: the plain interpreter would take too long to compare over the whole text).
    const char* const backtracking[] = {"\\\\.*\\\\.*\\.zip$", "r.*7.*1\\.zip\\\\f",  "\\\\.*?9.*\\.zip$",
                                        ".*\\.zip.*\\.t",      "\\\\[^\\r]*\\\\.*x",  "d(er|isk).*\\\\.*zip$",
                                        "\\\\.*\\\\.*\\\\f",   "\\\\?.*\\\\.*\\.zip$"};
    for (const char* expression : backtracking) {
        for (const char* modifiers : {"-s", "im-s"}) {
            const std::string plain = Outcome(expression, modifiers, text, false, false);
            EXPECT_EQ(Outcome(expression, modifiers, text, true, false), plain)
                << expression << " " << modifiers;
            EXPECT_EQ(Outcome(expression, modifiers, text, true, false, {}, 0), plain)
                << expression << " " << modifiers;
        }
    }
}

// A line filter that stops paying, over lines it lets through but no match is in, rests and is tried
// again: the matches in the lines it meanwhile was not asked about, and in those after, are all found.
TEST(RegexprFastPaths, LineFiltersThatRestFindEveryMatch) {
    std::string text;
    for (int i = 0; i < 7300; ++i) {
        const std::string n = std::to_string(i);
        text += i % 97 == 7 ? "C:\\a b\\ab\\c" + n + "\\ef\\y.txt\r\n"
                : i < 1300  ? "C:\\ab\\cd" + n + "\\ef\\zq.txt\r\n"
                            : "C:\\a b\\c d\\e " + n + "\\g.txt\r\n";
    }
    for (const char* expression : {"(\\w+\\\\){3}\\Bz|(\\w+\\\\){3}y", "(\\w+\\\\){3}(\\Bz|y)"}) {
        for (const char* modifiers : {"-s", "i-s"}) {
            EXPECT_EQ(Outcome(expression, modifiers, text, true, false),
                      Outcome(expression, modifiers, text, false, false))
                << expression << " " << modifiers;
        }
    }
}

// One engine searching with an expression of fewer groups after one of more: no group of the first
// may show through the matches of the second, whatever path found them.
TEST(RegexprFastPaths, GroupsOfTheEarlierExpressionDoNotOutliveIt) {
    const struct {
        const char* first;
        const char* second;
    } cases[] = {{"(a)(b)(c)", "abc"}, {"(a)(b)(c)", "b.*c"}, {"(x)?(a)(b)", "[ab]"}, {"(a)|(b)(c)", "c"}};
    const std::string text = "xx abc abc\r\nbc";
    for (const auto& c : cases) {
        std::string outcomes[2];
        for (const bool fast : {true, false}) {
            TRegEngine engine;
            engine.SetFastPaths(fast);
            engine.SetExpression(c.first);
            ASSERT_TRUE(engine.Exec(text)) << c.first;
            engine.SetExpression(c.second);
            std::ostringstream out;
            // The same input: a new one would clear every group anyway.
            for (bool found = engine.ExecPos(1); found; found = engine.ExecNext()) {
                for (int group = 0; group < 4; ++group) {
                    out << engine.MatchPos(group) << ":" << engine.MatchLen(group) << " ";
                }
                out << "| ";
            }
            outcomes[fast ? 0 : 1] = out.str();
        }
        EXPECT_EQ(outcomes[0], outcomes[1]) << c.first << " then " << c.second;
        // The second expressions have no groups: every match shows groups 1 to 3 unset.
        const auto count = [&](const std::string& what) {
            std::size_t n = 0;
            for (std::size_t at = outcomes[0].find(what); at != std::string::npos;
                 at = outcomes[0].find(what, at + 1)) {
                ++n;
            }
            return n;
        };
        EXPECT_GT(count("| "), 0u) << c.second;
        EXPECT_EQ(count("-1:-1 -1:-1 -1:-1 | "), count("| ")) << outcomes[0];
    }
}

} // namespace
