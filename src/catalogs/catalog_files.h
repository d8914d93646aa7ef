// Catalog files as the program uses them: the whole text of a plain or packed catalog, packing and
// unpacking a catalog file in place, writing a new plain catalog, and when the catalog commands apply.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogs/listing_format.h"
#include "catalogs/streams.h"
#include "platform/memory.h"

// The catalogs of a catalog folder, in the order the file system lists them: every file directly in
// it, hidden and system ones too, whose name does not begin with "."; subfolders are not catalogs.
std::vector<std::string> ListCatalogNames(const std::string& folder);

// The catalog text in a new stream; empty when no file exists at `path`.
std::unique_ptr<TMemoryStream> LoadCatalogStream(const std::string& path);
// The catalog's own bytes, packed catalogs unpacked; a missing file gives "". Packing and unpacking
// keep these, whatever their encoding.
void ReadCatalogBytes(const std::string& path, std::string& bytes);
// The catalog text in the ANSI code page: the bytes as they are for an ANSI listing, converted from
// the encoding that `DetectListingFormat` finds for any other; a missing file gives "".
std::string ReadCatalogText(const std::string& path);
// The same into `text`, whose memory serves again: a search over many catalogs keeps one buffer.
// Returns the format the bytes were read in.
TListingFormat ReadCatalogText(const std::string& path, std::string& text);

// The same text for a search, read into a buffer that serves again for the next catalog: the
// system's copy from its file cache costs less than a mapping, whose pages a hypervisor may fault in
// one by one, or fresh memory for each catalog. An ANSI listing, the usual kind, is searched where it
// was read; a packed one or one in another encoding is turned into text beside it.
class TCatalogText {
public:
    // The text of the catalog at `path`, valid until the next Load; "" for a missing file.
    std::string_view Load(const std::string& path);
    // What the last Load gave, where it now lies: a moved or swapped TCatalogText takes its text along.
    std::string_view Text() const;

private:
    platform::TPageBuffer bytes;
    std::size_t size = 0;
    bool converted = false;
    std::string text; // the text when it is not the bytes as read
};

// Rewrite the file as a packed or a plain catalog of the same text. The file is replaced only once the
// new content is complete: a failure leaves it as it was.
void PackCatalogFile(const std::string& path);
void UnpackCatalogFile(const std::string& path);

// Writes `lines` as a plain catalog, every line followed by CR LF, in place of any file at `path`.
void WriteCatalog(const std::string& path, const std::vector<std::string>& lines);
// The same text as a packed catalog.
void WritePackedCatalog(const std::string& path, const std::vector<std::string>& lines);

// Whether each catalog command applies, given the catalog path of the selected catalog (none: nothing
// selected). These never throw: a file that cannot be opened leaves both conversions offered, so that
// choosing one tells the user why it cannot be done.
bool UpdateCatalogEnabled(const std::optional<std::string>& selected);
bool ListCatalogEnabled(const std::optional<std::string>& selected);
bool CompressCatalogEnabled(const std::optional<std::string>& selected);
bool DecompressCatalogEnabled(const std::optional<std::string>& selected);
