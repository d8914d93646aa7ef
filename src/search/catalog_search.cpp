#include "search/catalog_search.h"

#include "regexpr/regexpr.h"
#include "search/line_cut.h"

std::string CatalogHeading(std::string_view catalogName) {
    return " ------ Found in disk : " + std::string(catalogName);
}

std::size_t SearchCatalogText(std::string_view catalogName, std::string_view text, std::string_view expression,
                              std::string_view modifiers, TSearchSink& sink) {
    // A stop inside a long match ends that search as a failed one, so STOP works at once.
    const auto engine = regexpr::SearchRegExpr(expression, text, modifiers, [&sink] {
        sink.Drain();
        return !sink.Searching();
    });
    if (!engine) {
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
            break;
        }
    }
    sink.Drain();
    return lines;
}
