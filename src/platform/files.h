// Files and folders: existence, creation, full paths, deletion, atomic replacement and whole-file
// access with exclusive sharing. Paths are 8-bit strings with backslashes, as the core forms them;
// off Windows backslashes are taken as separators too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

// A failure of the file layer, carrying the system's own text.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether `c` separates folders in a path: the backslash everywhere, the slash too off Windows.
constexpr bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\';
#else
    return c == '\\' || c == '/';
#endif
}

// Where the file name in `path` begins: after its last separator or drive colon. A "/" counts on
// Windows too, as its file system takes it for a separator.
std::size_t FileNameStart(std::string_view path);

bool FileExists(const std::string& path); // a folder does not count
bool FolderExists(const std::string& path);
bool CreateFolder(const std::string& path); // one folder; its parent must exist
bool RemoveFolder(const std::string& path); // an empty one
std::string FullPath(const std::string& path);
bool RemoveFile(const std::string& path);
// Puts `source` in the place of `target`, so a reader finds the old file or the new one (on Windows,
// for a moment in between, neither). The new file keeps what the system lets a program keep: the mode
// and owner off Windows; the hidden and system attributes, and through ReplaceFile the security and
// creation time, on Windows. A file reached by a symbolic link is replaced at the link's target.
// Throws EFileError on failure; `target` is then as it was and `source` where it was.
void ReplaceFileWith(const std::string& target, const std::string& source);
// A name for a temporary file in the same folder as `path` (as its link's target, if it is a link),
// not taken at the time of the call.
std::string TempNameBeside(const std::string& path);
// The running program's own full path.
std::string ExecutablePath();
class TFile;
class TPageBuffer;
// The whole content of a file, read with exclusive access; fails as opening it fails.
std::string ReadWholeFile(const std::string& path);
// The rest of an open file, from its position; into a string whose memory is used again.
std::string ReadWholeFile(TFile& file);
void ReadWholeFile(TFile& file, std::string& into);
// The same into `into`, for a catalog that is searched where it was read; valid until `into` next
// grows.
std::string_view ReadWholeFile(TFile& file, TPageBuffer& into);
// The text of the last system error, as the system words it.
std::string LastErrorText();

// A file opened with exclusive access (no other opener, this process's or another's, until it closes).
class TFile {
public:
    enum class Mode { Read, Create, Update };
    // Read: an existing file; fails with "Cannot open file "%s". %s".
    // Create: creates or truncates; fails with "Cannot create file "%s". %s".
    // Update: an existing file for writing, kept as it is; fails as Create would have failed on it
    // (in use, read-only, or hidden or system on Windows, which refuses to recreate those).
    TFile(const std::string& path, Mode mode);
    ~TFile();
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;

    // The count read, short only at the end of the file: a failing read throws
    // EFileError("Stream read error"), so a damaged disk never passes for a shorter file.
    std::size_t Read(void* buffer, std::size_t count);
    // The count written, short when the system refuses.
    std::size_t Write(const void* buffer, std::size_t count);
    std::int64_t Size() const;
    std::int64_t Seek(std::int64_t offset); // from the start; returns the new position
    std::int64_t Position() const;
    void Flush(); // to the disk; throws EFileError("Stream write error") when the system refuses
    const std::string& Path() const { return path; }

private:
    std::string path;
#ifdef _WIN32
    void* handle;
#else
    int fd;
#endif
};

} // namespace platform
