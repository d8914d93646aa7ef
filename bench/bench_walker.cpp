// Lists a generated tree of over 200,000 entries with ListFiles, as catalog creation does, and with the
// system's own lister on the same tree (find(1), or "dir /s /b" on Windows), in one run; prints both
// times and their ratio (best of five each).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogs/walker.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;

#ifdef _WIN32
constexpr const char* kLister = "dir /s";
std::string ListerCommand(const std::string& root) {
    return "dir /s /b /a \"" + root + "\" > NUL";
}
#else
constexpr const char* kLister = "find";
std::string ListerCommand(const std::string& root) {
    return "find '" + root + "' -mindepth 1 > /dev/null";
}
#endif

void MakeTree(const fs::path& root) {
    fs::create_directories(root);
    for (int d = 0; d < kFolders; ++d) {
        // Two levels, so that the walk descends as it does on a real disk.
        const fs::path folder = root / ("Archive " + std::to_string(d / 50)) / ("Disc " + std::to_string(d));
        fs::create_directories(folder);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            std::ofstream(folder / ("track " + std::to_string(f) + ".mp3"));
        }
    }
}

template <class F> double BestSeconds(F run) {
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = s < best ? s : best;
    }
    return best;
}

} // namespace

int main() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path base = fs::temp_directory_path() / ("mirolan-walk-" + std::to_string(stamp));
    const fs::path tree = base / "tree";
    MakeTree(tree);
    const std::string root = fs::path(tree).make_preferred().string();

    std::size_t lines = 0;
    const double walk = BestSeconds([&] {
        std::vector<std::string> target;
        ListFiles(root, "*.*", kAllAttributes, target, {true, true, true});
        lines = target.size();
    });
    const std::string command = ListerCommand(root);
    const double lister = BestSeconds([&] {
        if (std::system(command.c_str()) != 0) {
            std::perror(kLister);
        }
    });
    std::printf("entries listed: %zu\n", lines);
    std::printf("ListFiles: %.3f s   %s: %.3f s   ratio: %.2f x %s\n", walk, kLister, lister, walk / lister,
                kLister);
    std::error_code error;
    fs::remove_all(base, error);
    return error ? 1 : 0;
}
