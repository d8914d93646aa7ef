// What the file layer builds on its own operations, the same on every system.
#include "platform/files.h"

#include <algorithm>

#include "platform/memory.h"

namespace platform {

std::size_t FileNameStart(std::string_view path) {
    std::size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1]) && path[cut - 1] != '/' && path[cut - 1] != ':') {
        --cut;
    }
    return cut;
}

std::string ReadWholeFile(const std::string& path) {
    TFile file(path, TFile::Mode::Read);
    return ReadWholeFile(file);
}

std::string ReadWholeFile(TFile& file) {
    std::string bytes;
    ReadWholeFile(file, bytes);
    return bytes;
}

void ReadWholeFile(TFile& file, std::string& into) {
    // Straight into the string, which is neither zero-filled first nor copied again: a catalog is
    // read once per search. One byte more than the size asks for the end of the file in the same
    // call; a file that grew since goes on in chunks.
    constexpr std::size_t kChunk = 1 << 20;
    std::size_t room = static_cast<std::size_t>(std::max<std::int64_t>(file.Size() - file.Position(), 0)) + 1;
    into.clear();
    if (into.capacity() < room) {
        // A buffer read into again for the next file grows to twice what it must hold, so that a
        // larger file seldom moves it: fresh memory costs page faults, which under a hypervisor cost
        // more than reading the file.
        ReserveInLargePages(into, 2 * room);
    }
    for (;;) {
        const std::size_t have = into.size();
        std::size_t got = 0;
        into.resize_and_overwrite(have + room, [&](char* bytes, std::size_t) {
            got = file.Read(bytes + have, room);
            return have + got;
        });
        if (got < room) {
            return;
        }
        room = std::max(kChunk, have);
    }
}

} // namespace platform
