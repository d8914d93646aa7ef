// What the POSIX side of the platform layer shares: paths as POSIX calls take them, attribute bits.
#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

#include "platform/find.h"

namespace platform {

inline std::string NativePath(const std::string& path) {
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    return native;
}

// The Windows attribute bits that a stat result stands for; POSIX knows no hidden or system files.
inline std::uint32_t AttributesOf(const struct stat& st) {
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrFolder : kAttrArchive;
    if ((st.st_mode & S_IWUSR) == 0) {
        attributes |= kAttrReadOnly;
    }
    return attributes;
}

} // namespace platform
