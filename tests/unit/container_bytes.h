// Containers made by hand for the tests, independently of the writer under test: zlib's compress2,
// a byte-by-byte XOR and headers laid down field by field.
#pragma once

#include <cstdint>
#include <string>
#include <zlib.h>

namespace testbytes {

inline std::string Compress(const std::string& text, int level = 9) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(text.data()),
              static_cast<uLong>(text.size()), level);
    packed.resize(size);
    return packed;
}

inline std::string Inflate(const std::string& packed, std::size_t textSize) {
    std::string text(textSize, '\0');
    uLongf size = static_cast<uLongf>(textSize);
    if (uncompress(reinterpret_cast<Bytef*>(text.data()), &size,
                   reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK) {
        return "<not a zlib stream>";
    }
    text.resize(size);
    return text;
}

inline std::string Xor(std::string bytes, std::uint32_t key) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(bytes[i] ^ static_cast<char>(key >> (8 * (i % 4))));
    }
    return bytes;
}

inline std::string U32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) {
        bytes += static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

inline std::string I64(std::int64_t value) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
        bytes += static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i));
    }
    return bytes;
}

// A header-record container ("Uni_Data" or "Uni-Data") around a payload made by the caller.
inline std::string HeaderRecord(const char* magic, std::int64_t textSize, unsigned char flags,
                                const std::string& payload, const std::string& trailer,
                                std::uint32_t recordSize = 17, std::uint32_t version = 3) {
    std::string record = I64(static_cast<std::int64_t>(payload.size())) + I64(textSize) +
                         std::string(1, static_cast<char>(flags));
    record.resize(recordSize, '\x5A');
    return std::string(magic, 8) + U32(version) + U32(recordSize) + record + payload + trailer;
}

// A fixed-sizes container ("ZLIB-GUL" or "Rbac-Uni").
inline std::string FixedSizes(const char* magic, std::int64_t textSize, const std::string& packed,
                              const std::string& keyField = "") {
    return std::string(magic, 8) + I64(textSize) + I64(static_cast<std::int64_t>(packed.size())) + packed +
           keyField;
}

} // namespace testbytes
