// Folder enumeration through FindFirstFileExA, which applies the wildcard pattern itself.
#include "platform/find.h"

#include <windows.h>

namespace platform {

struct TFindFiles::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    bool pending = false; // data holds an entry not yet handed out
};

TFindFiles::TFindFiles(const std::string& pattern, Detail) : state(new State) {
    // The basic level skips the 8.3 names and a large fetch asks for many entries per call.
    state->handle = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &state->data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    state->pending = state->handle != INVALID_HANDLE_VALUE;
}

TFindFiles::~TFindFiles() {
    if (state->handle != INVALID_HANDLE_VALUE) {
        FindClose(state->handle);
    }
    delete state;
}

bool TFindFiles::Next(FoundEntry& entry) {
    if (!state->pending) {
        if (state->handle == INVALID_HANDLE_VALUE || !FindNextFileA(state->handle, &state->data)) {
            return false;
        }
    }
    state->pending = false;
    entry.name = state->data.cFileName;
    entry.attributes = state->data.dwFileAttributes;
    return true;
}

std::optional<FolderId> IdentifyFolder(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!known) {
        return std::nullopt;
    }
    return FolderId{info.dwVolumeSerialNumber,
                    (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

} // namespace platform
