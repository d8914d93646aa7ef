// Enumerating the entries of a folder that match a wildcard pattern ("C:\Data\*.*"), with the
// Windows attribute bits of each entry, and going on into a subfolder found. The platform filters
// nothing; the walker does.
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

struct FolderId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderId&) const = default;
};

// A folder as the platform reaches it. On Windows that is its full path in wide characters with the
// long-path prefix, so that a folder beyond MAX_PATH, or one whose name the ANSI code page cannot hold,
// is reached all the same; elsewhere the path as POSIX calls take it.
class TFolder {
public:
    // The folder whose entries the pattern JoinPath(path, mask) names: "" is the current folder.
    explicit TFolder(const std::string& path);

private:
    TFolder() = default;
    friend class TFindFiles;
    friend std::optional<FolderId> IdentifyFolder(const TFolder& folder);
#ifdef _WIN32
    std::wstring path; // ends in a backslash
#else
    std::string path; // ends in a slash, or is empty for the current folder
#endif
};

// One open enumeration; closed when the object goes. Names come in the ANSI code page, with "?" for
// what it cannot hold.
class TFindFiles {
public:
    // Off Windows the read-only bit costs a look-up per entry; a caller that does not need it says so.
    enum class Detail { Exact, KindOnly };
    explicit TFindFiles(const std::string& pattern, Detail detail = Detail::Exact);
    // The entries of `folder` whose names match `mask` ("*.*", "*.txt").
    TFindFiles(const TFolder& folder, const std::string& mask, Detail detail = Detail::Exact);
    ~TFindFiles();
    TFindFiles(const TFindFiles&) = delete;
    TFindFiles& operator=(const TFindFiles&) = delete;

    // The next entry, or false at the end (also when the pattern could not be enumerated at all).
    bool Next(FoundEntry& entry);
    // The entry Next gave last, as a folder to enumerate in its turn.
    TFolder EntryFolder() const;

private:
    struct State;
    State* state;
};

// What identifies a folder on its volume, whatever path leads to it; empty when it cannot be read.
std::optional<FolderId> IdentifyFolder(const TFolder& folder);

} // namespace platform
