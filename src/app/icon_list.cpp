#include "app/icon_list.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

// Reads the little-endian integers of a stored form; running off its end is a read error.
class StoredReader {
public:
    explicit StoredReader(std::string_view stored) : rest(stored) {}

    std::int32_t Int32() {
        const std::string_view bytes = Take(4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        }
        return static_cast<std::int32_t>(value);
    }

    std::string_view Take(std::size_t size) {
        if (size > rest.size()) {
            throw std::runtime_error("Stream read error");
        }
        const std::string_view taken = rest.substr(0, size);
        rest.remove_prefix(size);
        return taken;
    }

private:
    std::string_view rest;
};

void AppendInt32(std::string& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((bits >> shift) & 0xFF);
    }
}

} // namespace

void TIconList::EndUpdate() {
    if (updateDepth > 0 && --updateDepth == 0) {
        Changed();
    }
}

const TIconPicture& TIconList::operator[](int index) const {
    CheckIndex(index, Count() - 1);
    return entries[static_cast<std::size_t>(index)];
}

int TIconList::IndexOf(const TIconPicture& picture) const {
    const auto found = std::find(entries.begin(), entries.end(), picture);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

void TIconList::Assign(const TIconList& other) {
    entries = other.entries;
    Changed();
}

void TIconList::Replace(int index, const TIconPicture& picture) {
    CheckIndex(index, Count() - 1);
    entries[static_cast<std::size_t>(index)] = picture;
    Changed();
}

int TIconList::Add(const TIconPicture& picture) {
    entries.push_back(picture);
    Changed();
    return Count() - 1;
}

int TIconList::AddFromResource(HMODULE module, const char* name) {
    return Add(TIconPicture::FromResource(module, name));
}

void TIconList::Insert(int index, const TIconPicture& picture) {
    CheckIndex(index, Count());
    entries.insert(entries.begin() + index, picture);
    Changed();
}

void TIconList::Delete(int index) {
    CheckIndex(index, Count() - 1);
    entries.erase(entries.begin() + index);
    Changed();
}

void TIconList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count() - 1);
    CheckIndex(index2, Count() - 1);
    std::swap(entries[static_cast<std::size_t>(index1)], entries[static_cast<std::size_t>(index2)]);
    Changed();
}

void TIconList::Move(int from, int to) {
    CheckIndex(from, Count() - 1);
    CheckIndex(to, Count() - 1);
    TIconPicture moved = entries[static_cast<std::size_t>(from)];
    entries.erase(entries.begin() + from);
    entries.insert(entries.begin() + to, std::move(moved));
    Changed();
}

void TIconList::Clear() {
    entries.clear();
    Changed();
}

void TIconList::ReadStored(std::string_view stored) {
    StoredReader reader(stored);
    std::vector<TIconPicture> read;
    // No reserve from the count: a damaged count must not allocate before the data runs out.
    for (std::int32_t left = reader.Int32(); left > 0; --left) {
        const std::int32_t size = reader.Int32();
        if (size <= 0) {
            read.emplace_back();
        } else {
            read.push_back(
                TIconPicture::FromIcoFile(std::string(reader.Take(static_cast<std::size_t>(size)))));
        }
    }
    entries = std::move(read);
    Changed();
}

std::string TIconList::WriteStored() const {
    std::string stored;
    AppendInt32(stored, Count());
    for (const TIconPicture& picture : entries) {
        AppendInt32(stored, static_cast<std::int32_t>(picture.IcoFile().size()));
        stored += picture.IcoFile();
    }
    return stored;
}

void TIconList::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    }
}

void TIconList::Changed() {
    if (updateDepth == 0 && onChange) {
        onChange();
    }
}
