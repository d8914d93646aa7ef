// Text between the terminal and the catalogs. On Windows both are in the ANSI code page: the arguments
// come from the wide command line in it, and a console is given its characters rather than its bytes,
// which the console would read in its own (OEM) code page. Elsewhere the terminal speaks the locale's
// encoding and the catalogs a code page of their own (1251 unless --code-page says otherwise); a UTF-8
// locale converts both ways, any other passes bytes as they are. --raw passes bytes everywhere.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/terminal.h"

class TTerminalText {
public:
    // Takes --raw and --code-page N out of `arguments`, up to a "--"; sets the active code page.
    explicit TTerminalText(std::vector<std::string>& arguments);

    // `text` from the terminal in the code page: throws, naming it, on a character the code page
    // cannot hold when `strict`, else writes "?" for it.
    std::string ToCatalog(std::string_view text, bool strict) const;
    // Catalog bytes in the terminal's encoding, appended to `out`.
    void AppendToTerminal(std::string& out, std::string_view bytes) const;
    // What AppendToTerminal gave, on standard output; throws "Stream write error".
    void Write(std::string_view text) const;

private:
    bool convertsUtf8 = false; // off Windows, under a UTF-8 locale
    bool raw = false;
    // Each byte of the code page as UTF-8, its length in the last place: printed lines run through
    // this table, as results can be hundreds of megabytes.
    std::array<std::array<char, 4>, 256> utf8{};
};

// Text in the terminal's encoding (lines, file names, messages) on a standard stream: on Windows a
// console gets its characters unless `raw`. False when the stream took less.
bool WriteToTerminal(platform::TStandardStream stream, std::string_view text, bool raw = false);
