// Folder enumeration through FindFirstFileExW, which applies the wildcard mask itself. Folders are
// reached by their long wide paths; only the names handed out are converted to the ANSI code page, as
// the ANSI calls convert them.
#include "platform/find.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/win32/ansi_text.h"

namespace platform {
namespace {

// The full path of `folder` ("" for the current one), ending in a backslash, in the form that passes
// MAX_PATH and is taken letter for letter: "\\?\C:\..." or "\\?\UNC\server\share\...".
std::wstring LongFolder(const std::string& folder) {
    const std::wstring wide = folder.empty() ? L"." : Widened(folder);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            full = wide;
            break;
        }
        const bool fits = length < full.size();
        full.resize(length);
        if (fits) {
            break;
        }
    }
    if (full.empty() || full.back() != L'\\') {
        full += L'\\';
    }
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) {
        return full;
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

} // namespace

// As JoinPath has it, "C:" stands for the root of C:, not for the current folder on C:.
TFolder::TFolder(const std::string& folder)
    : path(LongFolder(folder.empty() || folder.back() == '\\' ? folder : folder + '\\')) {}

struct TFindFiles::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false; // data holds an entry not yet handed out
    std::wstring folder;
    char name[sizeof(WIN32_FIND_DATAW::cFileName)]; // two bytes a character at most, in any code page

    void Open(std::wstring folderPath, const std::string& mask) {
        folder = std::move(folderPath);
        // The basic level skips the 8.3 names and a large fetch asks for many entries per call.
        handle = FindFirstFileExW((folder + Widened(mask)).c_str(), FindExInfoBasic, &data,
                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        pending = handle != INVALID_HANDLE_VALUE;
    }
};

TFindFiles::TFindFiles(const std::string& pattern, Detail) : state(new State) {
    const std::size_t cut = FileNameStart(pattern);
    state->Open(LongFolder(pattern.substr(0, cut)), pattern.substr(cut));
}

TFindFiles::TFindFiles(const TFolder& folder, const std::string& mask, Detail) : state(new State) {
    state->Open(folder.path, mask);
}

TFindFiles::~TFindFiles() {
    if (state->handle != INVALID_HANDLE_VALUE) {
        FindClose(state->handle);
    }
    delete state;
}

bool TFindFiles::Next(FoundEntry& entry) {
    if (!state->pending) {
        if (state->handle == INVALID_HANDLE_VALUE || !FindNextFileW(state->handle, &state->data)) {
            return false;
        }
    }
    state->pending = false;
    // The code page's default character, "?", stands for what it cannot hold.
    const int length = WideCharToMultiByte(CP_ACP, 0, state->data.cFileName, -1, state->name,
                                           sizeof state->name, nullptr, nullptr);
    entry.name.assign(state->name, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    entry.attributes = state->data.dwFileAttributes;
    return true;
}

TFolder TFindFiles::EntryFolder() const {
    TFolder folder;
    folder.path = state->folder + state->data.cFileName + L'\\';
    return folder;
}

std::optional<FolderId> IdentifyFolder(const TFolder& folder) {
    HANDLE h = CreateFileW(folder.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
