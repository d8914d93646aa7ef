#include "catalogs/read_ahead.h"

#include "catalogs/catalog_files.h"

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
    reading = std::async(std::launch::async, [this, path] { ReadCatalogText(path, aheadText); });
}

void TReadAhead::Take(const std::string& path, std::string& text) {
    if (!reading.valid() || path != aheadPath) {
        ReadCatalogText(path, text);
        return;
    }
    aheadPath.clear();
    Wait();
    text.swap(aheadText); // the caller's old buffer serves the next read
}
