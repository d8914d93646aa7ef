// SearchRegExpr, the engine's entry for the search: compile once, search from the text's start, and hand
// back the engine positioned on the first match.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace regexpr {

class TRegEngine;
enum class SearchEnd;

// Compiles `expression` with `modifiers` (when not empty) and searches `text` from its start. Returns
// the engine positioned on the first match, or nothing when there is none or anything fails. The
// engine refers to `text`, which must outlive it. `ended`, when given, learns how the search ended,
// so that a caller can tell a search that one of the engine's bounds cut short from one that found
// nothing (a faulty expression counts as finding nothing).
std::unique_ptr<TRegEngine> SearchRegExpr(std::string_view expression, std::string_view text,
                                          std::string_view modifiers, std::function<bool()> abortHook = {},
                                          SearchEnd* ended = nullptr);

// The engine would refer to a text that is gone once the call returns.
template <typename Text>
requires std::is_same_v<Text, std::string> std::unique_ptr<TRegEngine>
SearchRegExpr(std::string_view expression, Text&& text, std::string_view modifiers,
              std::function<bool()> abortHook = {}, SearchEnd* ended = nullptr)
= delete;

} // namespace regexpr
