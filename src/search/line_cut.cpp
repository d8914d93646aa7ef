#include "search/line_cut.h"

std::string ModifierString(const ModifierBoxes& boxes) {
    const struct {
        bool on;
        char letter;
    } letters[] = {{boxes.i, 'i'}, {boxes.r, 'r'}, {boxes.s, 's'},
                   {boxes.g, 'g'}, {boxes.m, 'm'}, {boxes.x, 'x'}};
    std::string on, off;
    for (const auto& l : letters) {
        (l.on ? on : off) += l.letter;
    }
    return on + "-" + off;
}

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

std::string_view CutLine(std::string_view text, std::size_t position, std::size_t length) {
    // Positions count from 1; the one just past the end counts as an ordinary character.
    const std::size_t size = text.size();
    std::size_t start = position; // the character examined first is the match's own first
    while (start > 0 && (start > size || !IsLineBreak(text[start - 1]))) {
        --start;
    }
    std::size_t end = position + length; // 1-based, just after the match
    while (end <= size && !IsLineBreak(text[end - 1])) {
        ++end;
    }
    return end > start + 1 ? text.substr(start, end - start - 1) : std::string_view();
}
