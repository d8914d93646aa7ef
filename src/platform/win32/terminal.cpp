// Windows: the arguments from the wide command line, and a console written to in wide characters.
#include "platform/terminal.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/ansi_text.h"

namespace platform {
namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// In the ANSI code page with "?" for what it lacks, and whether it lacked anything: no best fit, which
// would turn "ä" into an "a" that a search then finds. UTF-8, which lacks nothing, takes neither question.
std::string Narrowed(std::wstring_view wide, bool& lacking) {
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(wide.size());
    std::string text(static_cast<std::size_t>(
                         WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), size, text.data(), static_cast<int>(text.size()), nullptr,
                        utf8 ? nullptr : &usedDefault);
    lacking = usedDefault != FALSE;
    return text;
}

// "U+00E4", the first character of `wide` that the ANSI code page lacks.
std::string FirstLacking(std::wstring_view wide) {
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const std::size_t units = IsHighSurrogate(wide[i]) && i + 1 < wide.size() ? 2 : 1;
        bool lacking = false;
        Narrowed(wide.substr(i, units), lacking);
        if (lacking) {
            const unsigned c =
                units == 2 ? 0x10000 + ((wide[i] - 0xD800u) << 10) + (wide[i + 1] - 0xDC00u) : wide[i];
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", c);
            return name;
        }
        i += units - 1;
    }
    return "a character";
}

void FreeArguments(LPWSTR* arguments) {
    LocalFree(arguments);
}

} // namespace

std::vector<std::string> CommandArguments(int, char**) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&FreeArguments)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &FreeArguments);
    if (wide == nullptr) {
        throw std::runtime_error("the command line cannot be read");
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        bool lacking = false;
        arguments.push_back(Narrowed(wide.get()[i], lacking));
        if (lacking) {
            throw std::runtime_error("code page " + std::to_string(GetACP()) + " has no " +
                                     FirstLacking(wide.get()[i]) + " (in \"" + arguments.back() +
                                     "\"); on Windows the catalogs are in the system's ANSI code page");
        }
    }
    return arguments;
}

bool EnableColorOutput() {
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) != 0 &&
           ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
            SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0);
}

bool WriteStandard(TStandardStream stream, std::string_view bytes, bool asCharacters) {
    std::FILE* file = stream == TStandardStream::Out ? stdout : stderr;
    const HANDLE handle = GetStdHandle(stream == TStandardStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!asCharacters || GetConsoleMode(handle, &mode) == 0) {
        return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    }
    if (std::fflush(file) != 0) { // what went through the C library comes first
        return false;
    }
    const std::wstring wide = Widened(bytes);
    // A console takes a bounded amount in one call; a surrogate pair stays in one piece.
    constexpr std::size_t kChunk = 16384;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t count = std::min(kChunk, wide.size() - at);
        if (at + count < wide.size() && IsHighSurrogate(wide[at + count - 1])) {
            --count;
        }
        DWORD written = 0;
        if (WriteConsoleW(handle, wide.data() + at, static_cast<DWORD>(count), &written, nullptr) == 0 ||
            written != count) {
            return false;
        }
        at += count;
    }
    return true;
}

} // namespace platform
