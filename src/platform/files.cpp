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

namespace {

// Reads the rest of `file` in as few calls as it can: one byte more than the size asks for the end of
// the file in the same call, and a file that grew since goes on in chunks. `room(size, more)` gives
// where `more` bytes go after the `size` read so far, which it keeps. Returns the count read.
template <typename Room> std::size_t ReadRest(TFile& file, Room room) {
    constexpr std::size_t kChunk = 1 << 20;
    std::size_t more = static_cast<std::size_t>(std::max<std::int64_t>(file.Size() - file.Position(), 0)) + 1;
    std::size_t size = 0;
    for (;;) {
        const std::size_t got = file.Read(room(size, more), more);
        size += got;
        if (got < more) {
            return size;
        }
        more = std::max(kChunk, size);
    }
}

// A buffer read into again for the next file grows to twice what it must hold, so that a larger file
// seldom moves it: fresh memory costs page faults, which under a hypervisor cost more than reading
// the file.
std::size_t GrownCapacity(std::size_t need) {
    return 2 * need;
}

} // namespace

void ReadWholeFile(TFile& file, std::string& into) {
    // Straight into the string, which is neither zero-filled first nor copied again.
    into.clear();
    const std::size_t size = ReadRest(file, [&](std::size_t have, std::size_t more) {
        if (into.capacity() < have + more) {
            into.reserve(GrownCapacity(have + more));
        }
        into.resize_and_overwrite(have + more, [](char*, std::size_t count) { return count; });
        return into.data() + have;
    });
    into.resize(size);
}

std::string_view ReadWholeFile(TFile& file, TPageBuffer& into) {
    const std::size_t size = ReadRest(file, [&](std::size_t have, std::size_t more) {
        if (into.Capacity() < have + more) {
            into.Reserve(GrownCapacity(have + more), have);
        }
        return into.Data() + have;
    });
    return {into.Data(), size};
}

} // namespace platform
