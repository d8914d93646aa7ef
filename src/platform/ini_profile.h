// An ini-style profile held in memory: sections of "name=value" entries, kept in file order, parsed
// from a text and formatted back. Unlike the system's profile functions it reads names and values
// whole, however long, so whatever the program stored comes back at the next start.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct IniEntry {
    std::string name;  // the text before the first "=" of its line
    std::string value; // the text after it
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// Section and entry names are matched without regard to letter case (CompareText).
class TIniProfile {
public:
    // Lines end in CR LF, LF or CR. A line that begins with "[", ends with "]" and holds no "=" starts a
    // section; a line with an "=" is an entry of the section above it; blank lines, lines without "="
    // (comments among them) and entries above the first section are ignored. Nothing is trimmed.
    static TIniProfile Parse(std::string_view text);
    // Every section with its entries, in order, each line ended by CR LF, without blank lines.
    std::string Format() const;

    const std::vector<IniSection>& Sections() const { return sections; }
    // The first section of that name, or nothing.
    const IniSection* FindSection(std::string_view name) const;
    // The value of the first entry of that name, with blanks around the entry's name and value not
    // counted, as a hand-edited "ListPath = D:\Catalogs" means; `fallback` when there is none.
    std::string ReadString(std::string_view section, std::string_view name, std::string_view fallback) const;
    // The entry names of a section in file order, as written; none when the section is missing.
    std::vector<std::string> ReadNames(std::string_view section) const;
    // Sets the value of the entry of exactly that name (letter case aside), appending the entry, and
    // the section before it, when missing.
    void WriteString(std::string_view section, std::string_view name, std::string_view value);

private:
    IniSection& SectionFor(std::string_view name);

    std::vector<IniSection> sections;
};

} // namespace platform
