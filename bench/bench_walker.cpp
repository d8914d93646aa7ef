// Lists a generated tree of over 200,000 entries with ListFiles, as catalog creation does, and with
// find(1) on the same tree, in one run; prints both times and their ratio (best of five each).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "catalogs/walker.h"

namespace {

constexpr int kFolders = 2000;
constexpr int kFilesPerFolder = 100;

void MakeTree(const std::string& root) {
    mkdir(root.c_str(), 0755);
    for (int d = 0; d < kFolders; ++d) {
        // Two levels, so that the walk descends as it does on a real disk.
        const std::string parent = root + "/Archive " + std::to_string(d / 50);
        mkdir(parent.c_str(), 0755);
        const std::string folder = parent + "/Disc " + std::to_string(d);
        mkdir(folder.c_str(), 0755);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            const std::string file = folder + "/track " + std::to_string(f) + ".mp3";
            close(open(file.c_str(), O_CREAT | O_WRONLY, 0644));
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
    char pattern[] = "/tmp/mirolan-walk-XXXXXX";
    const std::string base = mkdtemp(pattern);
    const std::string root = base + "/tree";
    MakeTree(root);

    std::size_t lines = 0;
    const double walk = BestSeconds([&] {
        std::vector<std::string> target;
        ListFiles(root, "*.*", kAllAttributes, target, {true, true, true});
        lines = target.size();
    });
    const std::string findCommand = "find '" + root + "' -mindepth 1 > /dev/null";
    const double find = BestSeconds([&] {
        if (std::system(findCommand.c_str()) != 0) {
            std::perror("find");
        }
    });
    std::printf("entries listed: %zu\n", lines);
    std::printf("ListFiles: %.3f s   find: %.3f s   ratio: %.2f x find\n", walk, find, walk / find);
    return std::system(("rm -rf '" + base + "'").c_str()) == 0 ? 0 : 1;
}
