// Reads a generated catalog of over 100 MB with ReadCatalogText, plain and packed, against the bare
// work underneath: one read() of the plain file, one zlib inflate of the packed payload. Prints the
// best of seven times of each, taken in turns, their ratios, and the peak memory of each step beyond what was
// in use.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "catalogs/catalog_files.h"
#include "catalogs/container.h"
#include "catalogs/scrambler.h"

namespace {

constexpr std::size_t kTextSize = 110u << 20;

// A depth-first listing of made-up disks, as catalog creation writes it: Windows paths, CR LF, some
// folder and file names in cp1251.
class TListing {
public:
    std::string Make() {
        while (text.size() < kTextSize) {
            Folder(std::string(1, static_cast<char>('C' + random() % 20)) + ":", 0);
        }
        return std::move(text);
    }

private:
    std::string Name(bool file) {
        static const char* const words[] = {"Music",
                                            "Photos",
                                            "Documents",
                                            "Program Files",
                                            "Windows",
                                            "Backup",
                                            "Projects",
                                            "Video",
                                            "\xCC\xF3\xE7\xFB\xEA\xE0",                 // Музыка
                                            "\xD4\xEE\xF2\xEE\xE3\xF0\xE0\xF4\xE8\xE8", // Фотографии
                                            "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB",     // Документы
                                            "\xCE\xF2\xF7\xB8\xF2",                     // Отчёт
                                            "Disc",
                                            "Track",
                                            "report",
                                            "setup",
                                            "readme",
                                            "IMG"};
        static const char* const extensions[] = {".mp3", ".jpg", ".txt", ".doc",
                                                 ".exe", ".dll", ".avi", ".pdf"};
        std::string name = words[random() % 18];
        name += " " + std::to_string(random() % 1000);
        if (file) {
            name += extensions[random() % 8];
        }
        return name;
    }

    void Folder(const std::string& path, int depth) {
        const int files = static_cast<int>(random() % 30);
        for (int i = 0; i < files && text.size() < kTextSize; ++i) {
            text += path + "\\" + Name(true) + "\r\n";
        }
        const int folders = depth < 5 ? static_cast<int>(random() % 6) : 0;
        for (int i = 0; i < folders && text.size() < kTextSize; ++i) {
            const std::string sub = path + "\\" + Name(false);
            text += sub + "\r\n";
            Folder(sub, depth + 1);
        }
    }

    std::mt19937 random{2024};
    std::string text;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Peak resident memory since the last reset, in bytes; the reset makes each step's peak its own.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(field));
        }
    }
    return -1;
}

struct TMeasure {
    double seconds = 1e9;
    double peakMiB = 0;
};

// One run of `run`, folded into the best time and the highest peak so far.
template <class F> void MeasureOnce(TMeasure& best, F run) {
    std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to the current VmRSS
    const long before = StatusKiB("VmRSS:");
    const auto start = std::chrono::steady_clock::now();
    run();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best.seconds = std::min(best.seconds, s);
    best.peakMiB = std::max(best.peakMiB, (StatusKiB("VmHWM:") - before) / 1024.0);
}

// The bare work and ours taken in turns, so that a busy machine weighs on both alike; best of seven.
template <class Bare, class Ours> std::pair<TMeasure, TMeasure> MeasurePair(Bare bare, Ours ours) {
    std::pair<TMeasure, TMeasure> best;
    for (int i = 0; i < 7; ++i) {
        MeasureOnce(best.first, bare);
        MeasureOnce(best.second, ours);
    }
    return best;
}

// What a program that only wanted the bytes would do: one buffer, one read().
std::size_t BareRead(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    fstat(fd, &st);
    char* buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(st.st_size)));
    const ssize_t n = read(fd, buffer, static_cast<std::size_t>(st.st_size));
    close(fd);
    volatile char sink = buffer[n / 2];
    (void)sink;
    std::free(buffer);
    return static_cast<std::size_t>(n);
}

// One inflate of the unscrambled payload into a buffer of the text's size.
std::size_t BareInflate(const std::string& payload, std::size_t textSize) {
    char* buffer = static_cast<char*>(std::malloc(textSize));
    z_stream z{};
    inflateInit2(&z, 15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(payload.data()));
    z.avail_in = static_cast<uInt>(payload.size());
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = static_cast<uInt>(textSize);
    inflate(&z, Z_FINISH);
    const std::size_t made = z.total_out;
    inflateEnd(&z);
    volatile char sink = buffer[made / 2];
    (void)sink;
    std::free(buffer);
    return made;
}

} // namespace

int main() {
    char pattern[] = "/tmp/mirolan-read-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string plainPath = folder + "/plain.txt";
    const std::string packedPath = folder + "/packed.txt";
    std::size_t textSize = 0;
    std::string payload;
    {
        const std::string text = TListing().Make();
        textSize = text.size();
        WriteFile(plainPath, text);
        TMemoryStream source(text);
        PackToFile(packedPath, source, kPackKey);
        std::ifstream in(packedPath, std::ios::binary);
        const std::string packed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        payload = packed.substr(33, packed.size() - 37);
        XorScrambleBytes(payload.data(), payload.size(), kPackKey);
        if (ReadCatalogText(packedPath) != text || ReadCatalogText(plainPath) != text) {
            std::fprintf(stderr, "catalog text read back wrong\n");
            return 1;
        }
    }
    const double textMiB = textSize / 1048576.0;
    const double packedMiB = (payload.size() + 37) / 1048576.0;
    std::printf("catalog: %.1f MiB of text, %.1f MiB packed\n", textMiB, packedMiB);

    std::size_t got = 0;
    const auto [read, plain] =
        MeasurePair([&] { got += BareRead(plainPath); }, [&] { got += ReadCatalogText(plainPath).size(); });
    const auto [inflate, packed] = MeasurePair([&] { got += BareInflate(payload, textSize); },
                                               [&] { got += ReadCatalogText(packedPath).size(); });
    if (got != 28 * textSize) {
        std::fprintf(stderr, "short reads\n");
        return 1;
    }
    std::printf("%-34s %9s %7s %12s\n", "step", "seconds", "ratio", "peak MiB");
    std::printf("%-34s %9.4f %7s %12.1f\n", "read() of the plain file", read.seconds, "", read.peakMiB);
    std::printf("%-34s %9.4f %6.2fx %12.1f  (target <= 1.3x; text %.1f)\n", "ReadCatalogText, plain",
                plain.seconds, plain.seconds / read.seconds, plain.peakMiB, textMiB);
    std::printf("%-34s %9.4f %7s %12.1f\n", "bare inflate of the payload", inflate.seconds, "",
                inflate.peakMiB);
    std::printf("%-34s %9.4f %6.2fx %12.1f  (target <= 1.2x; text + packed + 10%% = %.1f)\n",
                "ReadCatalogText, packed", packed.seconds, packed.seconds / inflate.seconds, packed.peakMiB,
                (textMiB + packedMiB) * 1.1);
    std::remove(plainPath.c_str());
    std::remove(packedPath.c_str());
    rmdir(folder.c_str());
    return 0;
}
