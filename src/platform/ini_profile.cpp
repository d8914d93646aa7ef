#include "platform/ini_profile.h"

#include "platform/codepage.h"

namespace platform {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Cuts the next line off `text`, without its line break.
std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return line;
}

} // namespace

TIniProfile TIniProfile::Parse(std::string_view text) {
    TIniProfile profile;
    IniSection* current = nullptr;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        const std::size_t equals = line.find('=');
        const std::string_view bare = TrimBlanks(line);
        // An entry such as "[a-z]x=" begins with a bracket too; only a line without "=" is a header.
        if (equals == std::string_view::npos && bare.size() >= 2 && bare.front() == '[' &&
            bare.back() == ']') {
            profile.sections.push_back({std::string(TrimBlanks(bare.substr(1, bare.size() - 2))), {}});
            current = &profile.sections.back();
        } else if (equals != std::string_view::npos && current != nullptr) {
            current->entries.push_back(
                {std::string(line.substr(0, equals)), std::string(line.substr(equals + 1))});
        }
    }
    return profile;
}

std::string TIniProfile::Format() const {
    std::string text;
    for (const IniSection& section : sections) {
        text += '[';
        text += section.name;
        text += "]\r\n";
        for (const IniEntry& entry : section.entries) {
            text += entry.name;
            text += '=';
            text += entry.value;
            text += "\r\n";
        }
    }
    return text;
}

const IniSection* TIniProfile::FindSection(std::string_view name) const {
    for (const IniSection& section : sections) {
        if (SameName(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

std::string TIniProfile::ReadString(std::string_view section, std::string_view name,
                                    std::string_view fallback) const {
    if (const IniSection* found = FindSection(section)) {
        for (const IniEntry& entry : found->entries) {
            if (SameName(TrimBlanks(entry.name), TrimBlanks(name))) {
                return std::string(TrimBlanks(entry.value));
            }
        }
    }
    return std::string(fallback);
}

std::vector<std::string> TIniProfile::ReadNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const IniSection* found = FindSection(section)) {
        for (const IniEntry& entry : found->entries) {
            names.push_back(entry.name);
        }
    }
    return names;
}

void TIniProfile::WriteString(std::string_view section, std::string_view name, std::string_view value) {
    IniSection& target = SectionFor(section);
    for (IniEntry& entry : target.entries) {
        if (SameName(entry.name, name)) {
            entry.value = value;
            return;
        }
    }
    target.entries.push_back({std::string(name), std::string(value)});
}

IniSection& TIniProfile::SectionFor(std::string_view name) {
    for (IniSection& section : sections) {
        if (SameName(section.name, name)) {
            return section;
        }
    }
    sections.push_back({std::string(name), {}});
    return sections.back();
}

} // namespace platform
