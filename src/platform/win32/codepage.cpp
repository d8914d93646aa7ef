// Letter case and comparison in the active ANSI code page, by the system's own functions.
#include "platform/codepage.h"

#include <cstdint>
#include <windows.h>

namespace platform {
namespace {

int Length(std::string_view s) {
    return static_cast<int>(s.size());
}

int Compare(DWORD flags, std::string_view a, std::string_view b) {
    return CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), Length(a), b.data(), Length(b)) - CSTR_EQUAL;
}

} // namespace

// A value below 0x10000 passed as the pointer asks CharUpperA to convert that one character.
char UpperChar(char c) {
    const auto code = static_cast<std::uintptr_t>(static_cast<unsigned char>(c));
    return static_cast<char>(reinterpret_cast<std::uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(code))));
}

char LowerChar(char c) {
    const auto code = static_cast<std::uintptr_t>(static_cast<unsigned char>(c));
    return static_cast<char>(reinterpret_cast<std::uintptr_t>(CharLowerA(reinterpret_cast<LPSTR>(code))));
}

std::string UpperString(std::string_view s) {
    std::string result(s);
    CharUpperBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

std::string LowerString(std::string_view s) {
    std::string result(s);
    CharLowerBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

int CompareText(std::string_view a, std::string_view b) {
    return Compare(NORM_IGNORECASE, a, b);
}
int CompareStr(std::string_view a, std::string_view b) {
    return Compare(0, a, b);
}

unsigned ActiveCodePage() {
    return GetACP();
}

} // namespace platform
