// Files and folders through POSIX calls. Exclusive access is an flock() lock, which every Mirolan
// process honours, so two of them never write the same catalog at once.
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/posix_common.h"

namespace platform {
namespace {

std::string ErrorText(int error) {
    if (error == EWOULDBLOCK) {
        return "The process cannot access the file because it is being used by another process";
    }
    return std::strerror(error);
}

[[noreturn]] void Fail(const char* what, const std::string& path, int error) {
    throw EFileError(std::string(what) + " \"" + FullPath(path) + "\". " + ErrorText(error));
}

// The file a symbolic link at `path` ends at, so that a rewrite replaces the target and keeps the link;
// `path` itself when it is no link or the link leads nowhere yet.
std::string LinkedFile(const std::string& path) {
    const std::string native = NativePath(path);
    struct stat st {};
    if (lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char* real = realpath(native.c_str(), nullptr);
    if (real == nullptr) {
        return path;
    }
    std::string resolved = real;
    std::free(real);
    return resolved;
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const std::string& path) {
    return mkdir(NativePath(path).c_str(), 0777) == 0;
}

bool RemoveFolder(const std::string& path) {
    return rmdir(NativePath(path).c_str()) == 0;
}

std::string FullPath(const std::string& path) {
    std::string native = NativePath(path);
    if (native.empty() || native[0] != '/') {
        std::vector<char> cwd(4096);
        while (getcwd(cwd.data(), cwd.size()) == nullptr && errno == ERANGE) {
            cwd.resize(cwd.size() * 2);
        }
        native = std::string(cwd.data()) + "/" + native;
    }
    // Fold "." and ".." and doubled slashes by the letters alone, as GetFullPathName does.
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) {
            end = native.size();
        }
        const std::string part = native.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts) {
        full += "/" + part;
    }
    const bool trailing = !native.empty() && native.back() == '/' && !full.empty();
    return full.empty() ? "/" : (trailing ? full + "/" : full);
}

bool RemoveFile(const std::string& path) {
    return unlink(NativePath(path).c_str()) == 0;
}

void ReplaceFileWith(const std::string& target, const std::string& source) {
    const std::string place = LinkedFile(target);
    // The new file gets the old one's owner (where this process may give it) and mode, so a private
    // catalog stays private; the owner first, as a change of owner clears the set-id bits.
    struct stat st {};
    if (stat(NativePath(place).c_str(), &st) == 0) {
        const std::string native = NativePath(source);
        if (chown(native.c_str(), st.st_uid, st.st_gid) != 0) {
            errno = 0; // an owner this process may not give: the mode is kept all the same
        }
        chmod(native.c_str(), st.st_mode & 07777);
    }
    if (rename(NativePath(source).c_str(), NativePath(place).c_str()) != 0) {
        Fail("Cannot create file", target, errno);
    }
}

std::string TempNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::string path = LinkedFile(target);
    const std::size_t cut = FileNameStart(path);
    // A leading dot keeps a temporary file out of the catalog list, even one left by a crash.
    for (;;) {
        const std::string name = path.substr(0, cut) + "." + path.substr(cut) + ".~" +
                                 std::to_string(getpid()) + "-" + std::to_string(counter++);
        struct stat st {};
        if (lstat(NativePath(name).c_str(), &st) != 0) {
            return name;
        }
    }
}

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return "";
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string LastErrorText() {
    return ErrorText(errno);
}

TFile::TFile(const std::string& filePath, Mode mode) : path(filePath), fd(-1) {
    const bool create = mode == Mode::Create;
    const char* what = mode == Mode::Read ? "Cannot open file" : "Cannot create file";
    const int flags = mode == Mode::Read ? O_RDONLY : (create ? (O_RDWR | O_CREAT) : O_RDWR);
    fd = open(NativePath(path).c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        Fail(what, path, errno);
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        Fail(what, path, EISDIR);
    }
    // Truncate only once the lock is held, so a file in use by another process stays whole.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || (create && ftruncate(fd, 0) != 0)) {
        const int error = errno;
        close(fd);
        Fail(what, path, error);
    }
}

TFile::~TFile() {
    close(fd);
}

std::size_t TFile::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = read(fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw EFileError("Stream read error");
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t TFile::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::int64_t TFile::Size() const {
    struct stat st {};
    return fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

std::int64_t TFile::Seek(std::int64_t offset) {
    return lseek(fd, static_cast<off_t>(offset), SEEK_SET);
}

std::int64_t TFile::Position() const {
    return lseek(fd, 0, SEEK_CUR);
}

void TFile::Flush() {
    if (fsync(fd) != 0) {
        throw EFileError("Stream write error");
    }
}

} // namespace platform
