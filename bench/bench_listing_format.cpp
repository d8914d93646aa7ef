// How well the catalog reader tells the encoding of listings made by other tools, and how fast it
// converts. Generates listings of Russian, West-European and ASCII-only names, short and long, writes
// each in code page 1251 or 1252, 866, UTF-8 (with and without a mark) and UTF-16 through the system's
// own converter (iconv), and counts the listings whose text comes out as the ANSI listing's. Then
// times detection and conversion of an 8 MB UTF-16 listing, best of seven.
#include <chrono>
#include <cstdio>
#include <iconv.h>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "catalogs/listing_format.h"

namespace {

const char* const kRussian[] = {"Документы", "Отчёт", "Фотографии", "Музыка",  "Видео",  "Письмо",
                                "Договор",   "Счета", "Архив",      "Рабочий", "стол",   "Загрузки",
                                "книги",     "лето",  "Москва",     "Ёлка",    "сервер", "резервная",
                                "копия",     "щука",  "Журнал",     "Ъ",       "Юбилей", "Эскиз"};
const char* const kWestern[] = {"Bücher", "Café", "Müller",   "Straße", "Élève",  "Größe", "Señor", "Garçon",
                                "Noël",   "Zoë",  "Ångström", "Øre",    "façade", "naïve", "Crème", "brûlée"};
const char* const kAscii[] = {"Windows",   "Program Files", "Music",    "backup", "2020",
                              "setup.exe", "readme.txt",    "src",      "photos", "DCIM",
                              "video",     "old",           "data.bin", "notes"};

std::string Convert(const std::string& text, const char* from, const char* to) {
    iconv_t convert = iconv_open(to, from);
    if (convert == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("no converter to ") + to);
    }
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPointer = out.data();
    std::size_t outLeft = out.size();
    // A character the target cannot hold becomes "?", as the catalog reader writes it.
    while (iconv(convert, &in, &inLeft, &outPointer, &outLeft) == std::size_t(-1)) {
        const auto lead = static_cast<unsigned char>(*in);
        const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        in += length;
        inLeft -= length;
        *outPointer++ = '?';
        --outLeft;
    }
    iconv_close(convert);
    out.resize(out.size() - outLeft);
    return out;
}

// A listing of `lines` paths of words from `words`, in UTF-8.
std::string Listing(std::mt19937& random, const char* const* words, std::size_t count, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        std::string path = "D:";
        const int depth = 1 + static_cast<int>(random() % 4);
        for (int d = 0; d < depth; ++d) {
            path += "\\";
            path += words[random() % count];
            if (random() % 3 == 0) {
                path += " " + std::to_string(random() % 100);
            }
        }
        text += path + (random() % 2 ? ".doc" : "") + "\r\n";
    }
    return text;
}

struct TEncoding {
    const char* name;
    const char* iconvName; // nullptr: the ANSI code page's
    const char* mark;
};

} // namespace

int main() {
    const TEncoding encodings[] = {{"ANSI", nullptr, ""},
                                   {"866", "CP866", ""},
                                   {"UTF-8", "UTF-8", ""},
                                   {"UTF-8 with mark", "UTF-8", "\xEF\xBB\xBF"},
                                   {"UTF-16LE with mark", "UTF-16LE", "\xFF\xFE"},
                                   {"UTF-16BE with mark", "UTF-16BE", "\xFE\xFF"},
                                   {"UTF-16LE without", "UTF-16LE", ""}};
    struct TLanguage {
        const char* name;
        const char* const* words;
        std::size_t count;
        unsigned codePage;
    };
    const TLanguage languages[] = {{"Russian", kRussian, std::size(kRussian), 1251},
                                   {"West-European", kWestern, std::size(kWestern), 1252},
                                   {"ASCII-only", kAscii, std::size(kAscii), 1251}};
    const int sizes[] = {1, 3, 20, 1000};
    constexpr int kSamples = 100;
    std::mt19937 random(20261208);
    std::printf("%-14s %-20s %6s %6s %6s\n", "names", "encoding", "lines", "right", "wrong");
    int right = 0;
    int wrong = 0;
    for (const TLanguage& language : languages) {
        const std::string ansiName = "CP" + std::to_string(language.codePage);
        for (const TEncoding& encoding : encodings) {
            // West-European names have no 866 form worth testing: the code page cannot hold them.
            if (language.codePage == 1252 && std::string(encoding.name) == "866") {
                continue;
            }
            for (const int lines : sizes) {
                int good = 0;
                for (int sample = 0; sample < kSamples; ++sample) {
                    const std::string utf8 = Listing(random, language.words, language.count, lines);
                    const std::string expected = Convert(utf8, "UTF-8", ansiName.c_str());
                    std::string text =
                        encoding.mark +
                        Convert(utf8, "UTF-8", encoding.iconvName ? encoding.iconvName : ansiName.c_str());
                    ConvertListing(text, DetectListingFormat(text, language.codePage), language.codePage);
                    good += text == expected;
                }
                std::printf("%-14s %-20s %6d %6d %6d\n", language.name, encoding.name, lines, good,
                            kSamples - good);
                right += good;
                wrong += kSamples - good;
            }
        }
    }
    std::printf("all: %d right, %d wrong\n", right, wrong);

    std::string utf16 = "\xFF\xFE";
    while (utf16.size() < (8u << 20)) {
        utf16 += Convert(Listing(random, kRussian, std::size(kRussian), 1000), "UTF-8", "UTF-16LE");
    }
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        std::string text = utf16;
        const auto start = std::chrono::steady_clock::now();
        ConvertListing(text, DetectListingFormat(text, 1251), 1251);
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("UTF-16LE listing of %.1f MB: detected and converted in %.1f ms (best of 7)\n",
                utf16.size() / 1048576.0, best);
}
