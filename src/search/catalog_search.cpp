#include "search/catalog_search.h"

#include <algorithm>

#include "regexpr/regexpr.h"
#include "search/line_cut.h"

namespace {

// A stop asked for by the user is no reason to tell anyone.
void TellIfCutShort(regexpr::SearchEnd end, TSearchSink& sink) {
    if (end == regexpr::SearchEnd::kStepsExhausted) {
        sink.CutShort("search cut short: the expression backtracks too much to finish (a repeat inside a "
                      "repeat, such as (a+)+, over a long run of letters)");
    } else if (end == regexpr::SearchEnd::kStackExhausted) {
        sink.CutShort(
            "search cut short: the expression needs more backtracking memory than a search may use");
    }
}

// The line around the match at the 0-based `start`, with the part of the match inside it: a match
// may begin or end on a line break that the line leaves out. `last` is the line cut before, which a
// match inside it, the next of several on one line, has again without a look for its ends.
void AppendMatch(std::string_view text, std::size_t start, std::size_t length, std::string_view& last,
                 TSearchSink& sink) {
    bool inLast = false;
    if (!last.empty()) {
        const auto lastStart = static_cast<std::size_t>(last.data() - text.data());
        const std::size_t lastEnd = lastStart + last.size();
        inLast = start >= lastStart && start < lastEnd && start + length <= lastEnd;
    }
    const std::string_view line = inLast ? last : CutLine(text, start + 1, length);
    last = line;
    if (line.empty()) {
        sink.AppendMatch(line, 0, 0);
        return;
    }
    const auto lineStart = static_cast<std::size_t>(line.data() - text.data());
    const auto inLine = [&](std::size_t at) {
        return std::clamp(at, lineStart, lineStart + line.size()) - lineStart;
    };
    sink.AppendMatch(line, inLine(start), inLine(start + length) - inLine(start));
}

} // namespace

std::string CatalogHeading(std::string_view catalogName) {
    return " ------ Found in disk : " + std::string(catalogName);
}

std::size_t SearchCatalogText(std::string_view catalogName, std::string_view text,
                              std::string_view expression, std::string_view modifiers, TSearchSink& sink) {
    // A stop inside a long match ends that search as a failed one, so STOP works at once.
    regexpr::SearchEnd ended;
    const auto engine = regexpr::SearchRegExpr(
        expression, text, modifiers,
        [&sink] {
            sink.Drain();
            return !sink.Searching();
        },
        &ended);
    if (!engine) {
        TellIfCutShort(ended, sink);
        return 0;
    }
    std::size_t lines = 0;
    std::string_view lastLine;
    while (sink.Searching()) {
        if (lines == 0) {
            sink.AppendHeading(CatalogHeading(catalogName));
        }
        ++lines;
        const auto position = static_cast<std::size_t>(engine->MatchPos(0));
        const auto length = static_cast<std::size_t>(engine->MatchLen(0));
        AppendMatch(text, position - 1, length, lastLine, sink);
        sink.Drain();
        if (!engine->ExecNext()) {
            TellIfCutShort(engine->LastSearchEnd(), sink);
            break;
        }
    }
    sink.Drain();
    return lines;
}
