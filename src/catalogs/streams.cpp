#include "catalogs/streams.h"

#include <algorithm>
#include <cstring>

void TStream::ReadExact(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) {
        throw EStreamError("Stream read error");
    }
}

void TStream::WriteExact(const void* buffer, std::size_t count) {
    if (Write(buffer, count) != count) {
        throw EStreamError("Stream write error");
    }
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const std::size_t n = position < bytes.size() ? std::min(count, bytes.size() - position) : 0;
    if (n > 0) {
        std::memcpy(buffer, bytes.data() + position, n);
    }
    position += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return 0;
    }
    if (position + count > bytes.size()) {
        bytes.resize(position + count);
    }
    std::memcpy(bytes.data() + position, buffer, count);
    position += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t newPosition) {
    position = static_cast<std::size_t>(std::max<std::int64_t>(newPosition, 0));
    return Position();
}

std::string TMemoryStream::TakeBytes() {
    std::string taken = std::move(bytes);
    bytes.clear();
    position = 0;
    return taken;
}

TFileStream::TFileStream(const std::string& path, platform::TFile::Mode mode)
    : owned(std::make_unique<platform::TFile>(path, mode)), file(*owned) {}

std::string ReadAll(TStream& source) {
    source.Seek(0);
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(source.Size(), 0)), '\0');
    std::size_t filled = source.Read(bytes.data(), bytes.size());
    constexpr std::size_t kBlock = 65536;
    // A stream that grew after its size was taken keeps its tail.
    while (filled == bytes.size()) {
        bytes.resize(filled + kBlock);
        const std::size_t n = source.Read(bytes.data() + filled, kBlock);
        filled += n;
    }
    bytes.resize(filled);
    return bytes;
}
