// Folder enumeration through opendir/readdir, with the Windows wildcard rules for the name part.
#include "platform/find.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/posix/posix_common.h"

namespace platform {
namespace {

// '*' any run, '?' one character, letter case ignored; a trailing ".*" also matches names with no dot,
// which makes "*.*" match every name, as on Windows.
bool Matches(const char* name, const char* mask) {
    for (; *mask != '\0'; ++mask, ++name) {
        if (*mask == '*') {
            while (*mask == '*') {
                ++mask;
            }
            if (*mask == '\0') {
                return true;
            }
            for (const char* rest = name;; ++rest) {
                if (Matches(rest, mask)) {
                    return true;
                }
                if (*rest == '\0') {
                    return false;
                }
            }
        }
        if (*name == '\0') {
            return mask[0] == '.' && mask[1] == '*' && mask[2] == '\0';
        }
        if (*mask != '?' && UpperChar(*mask) != UpperChar(*name)) {
            return false;
        }
    }
    return *name == '\0';
}

} // namespace

TFolder::TFolder(const std::string& folder) : path(NativePath(folder)) {
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
}

struct TFindFiles::State {
    DIR* dir = nullptr;
    const dirent* current = nullptr; // the entry handed out last
    std::string folder;
    std::string mask; // empty when every name matches
    Detail detail = Detail::Exact;

    void Open(std::string folderPath, std::string nameMask, Detail level) {
        folder = std::move(folderPath);
        mask = nameMask == "*" || nameMask == "*.*" ? std::string() : std::move(nameMask);
        detail = level;
        dir = opendir(folder.empty() ? "." : folder.c_str());
    }
};

TFindFiles::TFindFiles(const std::string& pattern, Detail detail) : state(new State) {
    const std::string native = NativePath(pattern);
    const std::size_t cut = native.rfind('/') + 1; // 0 when there is no slash
    state->Open(native.substr(0, cut), native.substr(cut), detail);
}

TFindFiles::TFindFiles(const TFolder& folder, const std::string& mask, Detail detail) : state(new State) {
    state->Open(folder.path, mask, detail);
}

TFindFiles::~TFindFiles() {
    if (state->dir != nullptr) {
        closedir(state->dir);
    }
    delete state;
}

bool TFindFiles::Next(FoundEntry& entry) {
    if (state->dir == nullptr) {
        return false;
    }
    while (const dirent* d = readdir(state->dir)) {
        if (!state->mask.empty() && !Matches(d->d_name, state->mask.c_str())) {
            continue;
        }
        // The entry's type usually comes with the name; a look-up is needed only for links, for file
        // systems that do not say, and for the read-only bit.
        const bool knownKind = d->d_type == DT_DIR || d->d_type == DT_REG;
        if (knownKind && state->detail == Detail::KindOnly) {
            state->current = d;
            entry.name = d->d_name;
            entry.attributes = d->d_type == DT_DIR ? kAttrFolder : kAttrArchive;
            return true;
        }
        struct stat st {};
        if (fstatat(dirfd(state->dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue; // vanished since it was listed
        }
        std::uint32_t link = 0;
        if (S_ISLNK(st.st_mode)) {
            link = kAttrLink;
            if (fstatat(dirfd(state->dir), d->d_name, &st, 0) != 0) {
                continue; // a dangling link names nothing
            }
        }
        state->current = d;
        entry.name = d->d_name;
        entry.attributes = AttributesOf(st) | link;
        return true;
    }
    return false;
}

TFolder TFindFiles::EntryFolder() const {
    TFolder folder;
    folder.path = state->folder + state->current->d_name + '/';
    return folder;
}

std::optional<FolderId> IdentifyFolder(const TFolder& folder) {
    struct stat st {};
    if (stat(folder.path.empty() ? "." : folder.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return FolderId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace platform
