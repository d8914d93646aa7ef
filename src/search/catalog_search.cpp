#include "search/catalog_search.h"

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
    while (sink.Searching()) {
        if (lines == 0) {
            sink.AppendLine("");
            sink.AppendLine(CatalogHeading(catalogName));
        }
        ++lines;
        sink.AppendLine(CutLine(text, static_cast<std::size_t>(engine->MatchPos(0)),
                                static_cast<std::size_t>(engine->MatchLen(0))));
        sink.Drain();
        if (!engine->ExecNext()) {
            TellIfCutShort(engine->LastSearchEnd(), sink);
            break;
        }
    }
    sink.Drain();
    return lines;
}
