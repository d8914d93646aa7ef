// Enumerating the entries of a folder that match a wildcard pattern ("C:\Data\*.*"), with the
// Windows attribute bits of each entry. The platform filters nothing; the walker does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum FileAttribute : std::uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrVolume = 0x08,
    kAttrFolder = 0x10,
    kAttrArchive = 0x20,
    kAttrLink = 0x400, // a reparse point: junction or symbolic link
};

struct FoundEntry {
    std::string name;
    std::uint32_t attributes = 0;
};

// One open enumeration; closed when the object goes.
class TFindFiles {
public:
    // Off Windows the read-only bit costs a look-up per entry; a caller that does not need it says so.
    enum class Detail { Exact, KindOnly };
    explicit TFindFiles(const std::string& pattern, Detail detail = Detail::Exact);
    ~TFindFiles();
    TFindFiles(const TFindFiles&) = delete;
    TFindFiles& operator=(const TFindFiles&) = delete;

    // The next entry, or false at the end (also when the pattern could not be enumerated at all).
    bool Next(FoundEntry& entry);

private:
    struct State;
    State* state;
};

// What identifies a folder on its volume, whatever path leads to it; empty when it cannot be read.
struct FolderId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderId&) const = default;
};
std::optional<FolderId> IdentifyFolder(const std::string& path);

} // namespace platform
