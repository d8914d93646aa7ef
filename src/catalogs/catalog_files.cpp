#include "catalogs/catalog_files.h"

#include <utility>

#include "catalogs/container.h"
#include "catalogs/rewrite.h"
#include "catalogs/walker.h"

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

void ReadCatalogText(const std::string& path, std::string& text) {
    if (!platform::FileExists(path)) {
        text.clear();
        return;
    }
    // One open and one read for either kind: the first bytes tell a packed file, whose container
    // then unpacks in place without a further copy.
    platform::TFile file(path, platform::TFile::Mode::Read);
    platform::ReadWholeFile(file, text);
    if (IsPackedBytes(text)) {
        text = UnpackBytes(std::move(text), 0);
    }
}

void PackCatalogFile(const std::string& path) {
    TMemoryStream text(ReadCatalogText(path));
    RewriteFile(path, [&](TStream& out) { PackStream(text, out, kPackKey); });
}

void UnpackCatalogFile(const std::string& path) {
    const std::string text = ReadCatalogText(path);
    RewriteFile(path, [&](TStream& out) { out.WriteExact(text.data(), text.size()); });
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
