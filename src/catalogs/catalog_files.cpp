#include "catalogs/catalog_files.h"

#include <utility>

#include "catalogs/container.h"
#include "catalogs/rewrite.h"
#include "catalogs/walker.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

// Packed or not, or nothing when the file cannot be opened.
std::optional<bool> PackedState(const std::string& path) {
    try {
        return IsPackedFile(path);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::vector<std::string> ListCatalogNames(const std::string& folder) {
    std::vector<std::string> names;
    ListFiles(folder, "*.*", kAllAttributes, names, {});
    return names;
}

std::unique_ptr<TMemoryStream> LoadCatalogStream(const std::string& path) {
    return std::make_unique<TMemoryStream>(ReadCatalogText(path));
}

std::string ReadCatalogText(const std::string& path) {
    std::string text;
    ReadCatalogText(path, text);
    return text;
}

namespace {

// A catalog's bytes as read, unpacked when they are packed: the container unpacks in place without a
// further copy.
void Unpack(std::string& bytes) {
    if (IsPackedBytes(bytes)) {
        bytes = UnpackBytes(std::move(bytes), 0);
    }
}

TListingFormat ConvertToAnsi(std::string& text) {
    const unsigned codePage = platform::ActiveCodePage();
    const TListingFormat format = DetectListingFormat(text, codePage);
    ConvertListing(text, format, codePage);
    return format;
}

} // namespace

void ReadCatalogBytes(const std::string& path, std::string& bytes) {
    if (!platform::FileExists(path)) {
        bytes.clear();
        return;
    }
    platform::TFile file(path, platform::TFile::Mode::Read);
    platform::ReadWholeFile(file, bytes);
    Unpack(bytes);
}

TListingFormat ReadCatalogText(const std::string& path, std::string& text) {
    ReadCatalogBytes(path, text);
    return ConvertToAnsi(text);
}

std::string_view TCatalogText::Load(const std::string& path) {
    size = 0;
    converted = false;
    if (!platform::FileExists(path)) {
        return {};
    }
    platform::TFile file(path, platform::TFile::Mode::Read);
    const std::string_view read = platform::ReadWholeFile(file, bytes);
    size = read.size();
    if (!IsPackedBytes(read)) {
        const TListingFormat format = DetectListingFormat(read, platform::ActiveCodePage());
        if (format.encoding == TextEncoding::Ansi && !format.fileList) {
            return read;
        }
    }
    text.assign(read);
    Unpack(text);
    ConvertToAnsi(text);
    converted = true;
    return text;
}

std::string_view TCatalogText::Text() const {
    return converted ? std::string_view(text) : std::string_view(bytes.Data(), size);
}

void PackCatalogFile(const std::string& path) {
    std::string bytes;
    ReadCatalogBytes(path, bytes);
    TMemoryStream source(std::move(bytes));
    RewriteFile(path, [&](TStream& out) { PackStream(source, out, kPackKey); });
}

void UnpackCatalogFile(const std::string& path) {
    std::string bytes;
    ReadCatalogBytes(path, bytes);
    RewriteFile(path, [&](TStream& out) { out.WriteExact(bytes.data(), bytes.size()); });
}

void WriteCatalog(const std::string& path, const std::vector<std::string>& lines) {
    constexpr std::size_t kChunk = 1 << 20;
    RewriteFile(path, [&](TStream& out) {
        std::string chunk;
        chunk.reserve(kChunk);
        for (const std::string& line : lines) {
            chunk += line;
            chunk += "\r\n";
            if (chunk.size() >= kChunk) {
                out.WriteExact(chunk.data(), chunk.size());
                chunk.clear();
            }
        }
        out.WriteExact(chunk.data(), chunk.size());
    });
}

void WritePackedCatalog(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    TMemoryStream source(std::move(text));
    RewriteFile(path, [&](TStream& out) { PackStream(source, out, kPackKey); });
}

bool UpdateCatalogEnabled(const std::optional<std::string>& selected) {
    return selected.has_value();
}

bool ListCatalogEnabled(const std::optional<std::string>& selected) {
    return selected.has_value();
}

bool CompressCatalogEnabled(const std::optional<std::string>& selected) {
    return selected && PackedState(*selected) != true;
}

bool DecompressCatalogEnabled(const std::optional<std::string>& selected) {
    return selected && PackedState(*selected) != false;
}
