// Files and folders through the Win32 API; exclusive access is share mode 0.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <windows.h>

namespace platform {
namespace {

std::string ErrorText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = length > 0 ? std::string(text, length) : "System error " + std::to_string(error);
    LocalFree(text);
    // The system ends its texts with a full stop and a line break; the messages around them have their own.
    while (!result.empty() && (static_cast<unsigned char>(result.back()) <= ' ' || result.back() == '.')) {
        result.pop_back();
    }
    return result;
}

// ReadFile and WriteFile count in DWORDs: a larger request goes in pieces of this size.
constexpr std::size_t kMaxChunk = 0x40000000;

[[noreturn]] void Fail(const char* what, const std::string& path, DWORD error) {
    throw EFileError(std::string(what) + " \"" + FullPath(path) + "\". " + ErrorText(error));
}

std::optional<DWORD> Attributes(const std::string& path) {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

// The file that `path` ends at, so that a rewrite replaces a symbolic link's target and keeps the link;
// `path` itself when it names no file that can be opened (it does not exist yet).
std::string LinkedFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return path;
    }
    std::string final(MAX_PATH, '\0');
    DWORD length = GetFinalPathNameByHandleA(h, final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
        final.resize(length);
        length = GetFinalPathNameByHandleA(h, final.data(), static_cast<DWORD>(final.size()), 0);
    }
    CloseHandle(h);
    if (length == 0 || length >= final.size()) {
        return path;
    }
    final.resize(length);
    // The system gives the path in its long form, "\\?\C:\..." or "\\?\UNC\server\...".
    if (final.starts_with("\\\\?\\UNC\\")) {
        final.replace(0, 8, "\\\\");
    } else if (final.starts_with("\\\\?\\")) {
        final.erase(0, 4);
    }
    // A name the ANSI code page cannot hold comes back with "?" in it and leads nowhere.
    return Attributes(final) ? final : path;
}

} // namespace

bool FileExists(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool RemoveFolder(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string FullPath(const std::string& path) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

void ReplaceFileWith(const std::string& target, const std::string& source) {
    const std::string place = LinkedFile(target);
    const auto old = Attributes(place);
    if (!old) {
        if (!MoveFileExA(source.c_str(), place.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            Fail("Cannot create file", target, GetLastError());
        }
        return;
    }
    // ReplaceFile gives the new file the old one's attributes, security and creation time; Wine gives
    // none, so the attributes that matter are set beforehand. The archive bit stays: the content is new.
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((*old & kKept) != 0) {
        SetFileAttributesA(source.c_str(), (*old & kKept) | FILE_ATTRIBUTE_ARCHIVE);
    }
    // With a backup name the old file always still exists under one name or the other, so a failure
    // half-way can put it back; without one, a failure may leave it deleted.
    const std::string backup = TempNameBeside(place);
    if (ReplaceFileA(place.c_str(), source.c_str(), backup.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
        DeleteFileA(backup.c_str());
        return;
    }
    const DWORD error = GetLastError();
    if (!Attributes(place) && Attributes(backup)) {
        MoveFileExA(backup.c_str(), place.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    Fail("Cannot create file", target, error);
}

std::string TempNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string path = LinkedFile(target);
    const std::size_t cut = FileNameStart(path);
    // A leading dot keeps a temporary file out of the catalog list, even one left by a crash.
    for (;;) {
        const std::string name = path.substr(0, cut) + "." + path.substr(cut) + ".~" +
                                 std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        if (!Attributes(name)) {
            return name;
        }
    }
}

std::string ExecutablePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string LastErrorText() {
    return ErrorText(GetLastError());
}

TFile::TFile(const std::string& filePath, Mode mode) : path(filePath), handle(nullptr) {
    const char* what = mode == Mode::Read ? "Cannot open file" : "Cannot create file";
    // Windows refuses to recreate a hidden or system file with normal attributes (Wine does not, so the
    // rule is checked here); a file opened for an update is refused alike, so that replacing it fails
    // as recreating it would.
    if (mode != Mode::Read) {
        const auto attributes = Attributes(path);
        if (attributes && (*attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
            Fail(what, path, ERROR_ACCESS_DENIED);
        }
    }
    const DWORD access = mode == Mode::Read ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
    const DWORD disposition = mode == Mode::Create ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail(what, path, GetLastError());
    }
    handle = h;
}

TFile::~TFile() {
    CloseHandle(handle);
}

std::size_t TFile::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
        DWORD n = 0;
        if (!ReadFile(handle, static_cast<char*>(buffer) + done, chunk, &n, nullptr)) {
            throw EFileError("Stream read error");
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

std::size_t TFile::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const auto chunk = static_cast<DWORD>(std::min(count - done, kMaxChunk));
        DWORD n = 0;
        if (!WriteFile(handle, static_cast<const char*>(buffer) + done, chunk, &n, nullptr) || n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

std::int64_t TFile::Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle, &size) ? size.QuadPart : 0;
}

std::int64_t TFile::Seek(std::int64_t offset) {
    LARGE_INTEGER to{}, now{};
    to.QuadPart = offset;
    return SetFilePointerEx(handle, to, &now, FILE_BEGIN) ? now.QuadPart : -1;
}

std::int64_t TFile::Position() const {
    LARGE_INTEGER zero{}, now{};
    return SetFilePointerEx(handle, zero, &now, FILE_CURRENT) ? now.QuadPart : -1;
}

void TFile::Flush() {
    if (!FlushFileBuffers(handle)) {
        throw EFileError("Stream write error");
    }
}

} // namespace platform
