// One catalog searched into the result pane's lines: an empty line and a heading before the first
// match, then the line around every match, with a stop check after every line. The window and
// mirolan-cli both run their searches through here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Where the lines go, and how the caller keeps itself alive and stops the run.
class TSearchSink {
public:
    virtual void AppendLine(std::string_view line) = 0;
    // What comes before a catalog's first line: an empty line and the heading.
    virtual void AppendHeading(std::string_view heading) {
        AppendLine("");
        AppendLine(heading);
    }
    // The line around a match, which starts `matchStart` bytes into it and is `matchLength` long.
    virtual void AppendMatch(std::string_view line, std::size_t matchStart, std::size_t matchLength) {
        (void)matchStart;
        (void)matchLength;
        AppendLine(line);
    }
    // Called after every appended line and now and then inside a long match: the window processes
    // its pending messages here, which may clear the search flag.
    virtual void Drain() {}
    virtual bool Searching() const { return true; }
    // One of the engine's bounds (steps, backtracking memory) ended the catalog's search early; the
    // lines appended so far stand. `reason` says which, in words for the user.
    virtual void CutShort(std::string_view reason) { (void)reason; }

protected:
    ~TSearchSink() = default;
};

// The heading that introduces a catalog's lines.
std::string CatalogHeading(std::string_view catalogName);

// Searches `text` with `expression` under `modifiers`; returns the number of lines appended. A faulty
// expression appends nothing and says nothing. An error while stepping to a further match escapes.
std::size_t SearchCatalogText(std::string_view catalogName, std::string_view text,
                              std::string_view expression, std::string_view modifiers, TSearchSink& sink);
