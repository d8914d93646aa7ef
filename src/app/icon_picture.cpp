#include "app/icon_picture.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// The directory of an .ico file and of a group-icon resource alike: reserved, type and image count,
// 16 bits each, then one entry per image.
constexpr std::size_t kTypeAt = 2;
constexpr std::size_t kCountAt = 4;
constexpr std::size_t kDirectorySize = 6;
// An entry: width, height, colours, reserved (a byte each), planes and bit count (16 bits each), the
// image's byte count (32 bits), then where the image is: its offset in an .ico file (32 bits) or its
// resource id in a group (16 bits).
constexpr std::size_t kWidthAt = 0;
constexpr std::size_t kBitCountAt = 6;
constexpr std::size_t kByteCountAt = 8;
constexpr std::size_t kImageAt = 12;
constexpr std::size_t kFileEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint16_t kIconType = 1;
constexpr DWORD kIconFormatVersion = 0x00030000;

std::uint32_t Read16(const char* at) {
    std::uint16_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uint32_t Read32(const char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void Append16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Append32(std::string& out, std::uint32_t value) {
    Append16(out, value & 0xFFFF);
    Append16(out, value >> 16);
}

struct ImageEntry {
    int width;
    int bitCount;
    std::uint32_t size;
    std::uint32_t offset;
};

// The images that the directory of an .ico file lists; throws when any lies outside the file.
std::vector<ImageEntry> ReadDirectory(const std::string& file) {
    const auto invalid = [] { return EInvalidIcon("Icon image is not valid"); };
    if (file.size() < kDirectorySize || Read16(file.data()) != 0 ||
        Read16(file.data() + kTypeAt) != kIconType) {
        throw invalid();
    }
    const std::size_t count = Read16(file.data() + kCountAt);
    if (count == 0 || file.size() < kDirectorySize + count * kFileEntrySize) {
        throw invalid();
    }
    std::vector<ImageEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const char* entry = file.data() + kDirectorySize + i * kFileEntrySize;
        const int width = static_cast<unsigned char>(entry[kWidthAt]); // 0 stands for 256
        ImageEntry image{width == 0 ? 256 : width, static_cast<int>(Read16(entry + kBitCountAt)),
                         Read32(entry + kByteCountAt), Read32(entry + kImageAt)};
        if (image.size == 0 || image.offset > file.size() || image.size > file.size() - image.offset) {
            throw invalid();
        }
        entries.push_back(image);
    }
    return entries;
}

// The image closest to `size`: that size at the deepest colour, else the next larger, else the largest.
const ImageEntry& ChooseImage(const std::vector<ImageEntry>& entries, int size) {
    const ImageEntry* best = &entries.front();
    const auto better = [size](const ImageEntry& a, const ImageEntry& b) {
        const bool aFits = a.width >= size;
        const bool bFits = b.width >= size;
        if (aFits != bFits) {
            return aFits;
        }
        if (a.width != b.width) {
            return aFits ? a.width < b.width : a.width > b.width;
        }
        return a.bitCount > b.bitCount;
    };
    for (const ImageEntry& entry : entries) {
        if (better(entry, *best)) {
            best = &entry;
        }
    }
    return *best;
}

std::string ResourceName(const char* name) {
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name)) : name;
}

// The bytes of resource `name` of `type`, or nothing when the module has no such resource.
std::string_view ResourceBytes(HMODULE module, const char* name, const char* type) {
    HRSRC found = FindResourceA(module, name, type);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const char*>(bytes), SizeofResource(module, found)};
}

} // namespace

struct TIconPicture::Image {
    explicit Image(std::string bytes) : bytes(std::move(bytes)) {}
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() {
        if (handle != nullptr) {
            DestroyIcon(handle);
        }
    }

    std::string bytes;
    mutable std::once_flag made;
    mutable HICON handle = nullptr;
};

TIconPicture TIconPicture::FromIcoFile(std::string bytes) {
    ReadDirectory(bytes);
    return TIconPicture(std::make_shared<const Image>(std::move(bytes)));
}

TIconPicture TIconPicture::FromResource(HMODULE module, const char* name) {
    const std::string_view group = ResourceBytes(module, name, MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (group.size() < kDirectorySize) {
        throw EInvalidIcon("Resource " + ResourceName(name) + " not found");
    }
    const std::size_t count = Read16(group.data() + kCountAt);
    if (group.size() < kDirectorySize + count * kGroupEntrySize) {
        throw EInvalidIcon("Icon image is not valid");
    }
    // An .ico file is the group's directory with file offsets in place of resource ids, then the images.
    std::string header;
    std::string images;
    Append16(header, 0);
    Append16(header, kIconType);
    Append16(header, static_cast<std::uint32_t>(count));
    const std::size_t firstImage = kDirectorySize + count * kFileEntrySize;
    for (std::size_t i = 0; i < count; ++i) {
        const char* entry = group.data() + kDirectorySize + i * kGroupEntrySize;
        const auto id = static_cast<WORD>(Read16(entry + kImageAt));
        const std::string_view image =
            ResourceBytes(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3)); // RT_ICON
        header.append(entry, kByteCountAt); // the fields before the byte count are the same in both
        Append32(header, static_cast<std::uint32_t>(image.size()));
        Append32(header, static_cast<std::uint32_t>(firstImage + images.size()));
        images.append(image);
    }
    return FromIcoFile(header + images);
}

const std::string& TIconPicture::IcoFile() const {
    static const std::string kNone;
    return image ? image->bytes : kNone;
}

HICON TIconPicture::Handle() const {
    if (!image) {
        return nullptr;
    }
    std::call_once(image->made, [this] {
        const int size = GetSystemMetrics(SM_CXSMICON);
        const std::vector<ImageEntry> entries = ReadDirectory(image->bytes);
        const ImageEntry& chosen = ChooseImage(entries, size);
        auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(image->bytes.data() + chosen.offset));
        image->handle = CreateIconFromResourceEx(bits, chosen.size, TRUE, kIconFormatVersion, size, size,
                                                 LR_DEFAULTCOLOR);
    });
    return image->handle;
}

bool operator==(const TIconPicture& a, const TIconPicture& b) {
    if (a.image == b.image) {
        return true;
    }
    return a.image && b.image && a.image->bytes == b.image->bytes;
}
