#include "catalogs/paths.h"

#include "platform/files.h"

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    if (name.empty()) {
        return folder;
    }
    const bool folderEnds = folder.back() == '\\';
    const bool nameBegins = name.front() == '\\';
    if (folderEnds && nameBegins) {
        return folder + name.substr(1);
    }
    if (folderEnds || nameBegins) {
        return folder + name;
    }
    return folder + '\\' + name;
}

namespace {

std::string Trimmed(const std::string& s) {
    std::size_t begin = 0, end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') {
        --end;
    }
    return s.substr(begin, end - begin);
}

// The path up to its last separator or drive colon; the separator of a root ("C:\", or "/" off
// Windows) stays, so that a root is its own parent.
std::string ParentOf(const std::string& path) {
    const std::size_t cut = platform::FileNameStart(path);
    if (cut == 0) {
        return path;
    }
    const std::size_t last = cut - 1;
    const bool rootSeparator = platform::IsPathSeparator(path[last]) && (last == 0 || path[last - 1] == ':');
    return path.substr(0, rootSeparator ? cut : last);
}

} // namespace

void ForceFolder(const std::string& path) {
    const std::string expanded = platform::FullPath(path);
    if (Trimmed(expanded).empty()) {
        return;
    }
    const std::string parent = ParentOf(expanded);
    if (parent == expanded) {
        return;
    }
    ForceFolder(parent);
    if (!platform::FolderExists(expanded)) {
        platform::CreateFolder(expanded);
    }
}
