#include "catalogs/read_ahead.h"

#include <utility>

TReadAhead::~TReadAhead() {
    if (reading.valid()) {
        reading.wait();
    }
}

void TReadAhead::Wait() {
    if (reading.valid()) {
        reading.get();
    }
}

void TReadAhead::Start(const std::string& path) {
    try {
        Wait();
    } catch (const std::exception&) {
        // Nobody took that catalog; its own turn, if it comes, reads it again and reports.
    }
    aheadPath = path;
    reading = std::async(std::launch::async, [this, path] { aheadText.Load(path); });
}

std::string_view TReadAhead::Take(const std::string& path, TCatalogText& text) {
    if (!reading.valid() || path != aheadPath) {
        return text.Load(path);
    }
    aheadPath.clear();
    Wait();
    std::swap(text, aheadText); // the caller's old buffer serves the next read
    return text.Text();
}
