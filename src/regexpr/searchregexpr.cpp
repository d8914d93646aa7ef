#include "regexpr/searchregexpr.h"

#include "regexpr/regexpr.h"

namespace regexpr {

std::unique_ptr<TRegEngine> SearchRegExpr(std::string_view expression, std::string_view text,
                                          std::string_view modifiers, std::function<bool()> abortHook,
                                          SearchEnd* ended) {
    if (ended) {
        *ended = SearchEnd::kNoMatch;
    }
    try {
        auto engine = std::make_unique<TRegEngine>();
        if (abortHook) {
            engine->SetAbortHook(std::move(abortHook));
        }
        if (!modifiers.empty()) {
            engine->SetModifierStr(modifiers);
        }
        engine->SetExpression(expression);
        const bool found = engine->Exec(text);
        if (ended) {
            *ended = engine->LastSearchEnd();
        }
        if (found) {
            return engine;
        }
    } catch (const std::exception&) {
        // A faulty expression or modifier string, or any failure of the search, finds nothing.
    }
    return nullptr;
}

} // namespace regexpr
