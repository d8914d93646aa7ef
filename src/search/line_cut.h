// The search's text helpers: the modifier string of the six check boxes and the line around a match.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The six modifiers in the order of their check boxes: i r s g m x.
struct ModifierBoxes {
    bool i = true;
    bool r = true;
    bool s = false;
    bool g = true;
    bool m = true;
    bool x = false;
};

// The ticked letters, "-", then the unticked ones: "irgm-sx" for the boxes as the window opens.
std::string ModifierString(const ModifierBoxes& boxes);

// The whole line (or lines) around the match at the 1-based `position`, `length` characters long;
// CR or LF ends a line. A match that spans line breaks yields every line it touches.
std::string_view CutLine(std::string_view text, std::size_t position, std::size_t length);
