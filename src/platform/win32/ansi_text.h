// Text of the ANSI code page as the wide-character calls take it.
#pragma once

#include <string>
#include <string_view>
#include <windows.h>

namespace platform {

inline std::wstring Widened(std::string_view text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

} // namespace platform
