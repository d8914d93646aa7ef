#include "search/line_cut.h"

#include <algorithm>
#include <cstdint>

#include "regexpr/scan.h"

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

std::string_view CutLine(std::string_view text, std::size_t position, std::size_t length) {
    // Positions count from 1; the one just past the end counts as an ordinary character. The line
    // starts after the last break at or before the match's first character and ends at the first
    // break after the match.
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    const std::uint8_t* before =
        regexpr::FindEitherBackward(data, data + std::min(position, size), '\r', '\n');
    const std::size_t start = before != nullptr ? static_cast<std::size_t>(before - data) + 1 : 0;
    const std::size_t after = std::min(position - 1 + length, size);
    const std::uint8_t* stop = regexpr::FindEither(data + after, data + size, '\r', '\n');
    const std::size_t end = stop != nullptr ? static_cast<std::size_t>(stop - data) : size;
    return end > start ? text.substr(start, end - start) : std::string_view();
}
