// Reading the next catalog while the one before is searched: one catalog text read on a thread of
// its own, taken when the run reaches that catalog. Only the text is read early; what to do with it
// is decided when it is taken.
#pragma once

#include <future>
#include <string>
#include <string_view>

#include "catalogs/catalog_files.h"

class TReadAhead {
public:
    TReadAhead() = default;
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;
    // Waits for a read in flight: catalog files are opened for exclusive access, so none may still be
    // open once the run is over.
    ~TReadAhead();

    // Starts reading the catalog at `path` in the background, in place of any read not yet taken.
    void Start(const std::string& path);
    // The text of the catalog at `path`, as `ReadCatalogText` gives it, in `text`: the background
    // read's when it was started for `path`, else read now. A failed background read throws here, as a
    // read now would.
    std::string_view Take(const std::string& path, TCatalogText& text);

private:
    void Wait();

    std::string aheadPath;
    TCatalogText aheadText;
    std::future<void> reading;
};
