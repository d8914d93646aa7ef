// Files and folders through the Win32 API; exclusive access is share mode 0.
#include "platform/files.h"

#include <algorithm>
#include <atomic>
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
    if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail("Cannot create file", target, GetLastError());
    }
}

std::string TempNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
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
