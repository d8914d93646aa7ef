// Listings made by other tools: which encoding a catalog's bytes are in, whether they are a file list
// of the Everything search tool, and their text in the ANSI code page, which is all that the engine,
// the line cut and the result pane ever see.
#pragma once

#include <string>
#include <string_view>

enum class TextEncoding { Ansi, Oem866, Utf8, Utf8Bom, Utf16Le, Utf16Be };

struct TListingFormat {
    TextEncoding encoding = TextEncoding::Ansi;
    // CSV with a header row naming its columns, one of them "Filename": only that column is searched.
    bool fileList = false;
};

// A byte-order mark decides; without one, a UTF-16 text shows by its zero bytes, a valid UTF-8 text
// that holds multi-byte sequences is UTF-8, and a text whose high bytes read as letters in code page
// 866 rather than in `ansiCodePage` is 866. Everything else, and everything when `ansiCodePage` is
// one the program has no table for, is ANSI.
TListingFormat DetectListingFormat(std::string_view bytes, unsigned ansiCodePage);

// Rewrites `text`, in `format`, as ANSI text of `ansiCodePage`: "?" stands for a character the code
// page cannot hold; line ends stay as they are. ANSI text that is no file list is left untouched.
void ConvertListing(std::string& text, TListingFormat format, unsigned ansiCodePage);

// "ANSI (code page 1251)", "UTF-16LE", "UTF-8, Everything file list" and the like.
std::string DescribeListingFormat(TListingFormat format, unsigned ansiCodePage);
