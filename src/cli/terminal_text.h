// Text between the terminal and the catalogs. On Windows both are in the ANSI code page. Elsewhere
// the terminal speaks the locale's encoding and the catalogs a code page of their own (1251 unless
// --code-page says otherwise); a UTF-8 locale converts both ways, any other passes bytes as they are.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TTerminalText {
public:
    // Takes --raw and --code-page N out of `arguments`, up to a "--"; sets the active code page.
    explicit TTerminalText(std::vector<std::string>& arguments);

    // `text` from the terminal in the code page: throws, naming it, on a character the code page
    // cannot hold when `strict`, else writes "?" for it.
    std::string ToCatalog(std::string_view text, bool strict) const;
    // Catalog bytes in the terminal's encoding, appended to `out`.
    void AppendToTerminal(std::string& out, std::string_view bytes) const;

private:
    bool converts = false;
    // Each byte of the code page as UTF-8, its length in the last place: printed lines run through
    // this table, as results can be hundreds of megabytes.
    std::array<std::array<char, 4>, 256> utf8{};
};
