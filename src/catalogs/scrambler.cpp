#include "catalogs/scrambler.h"

#include <bit>
#include <cstring>
#include <vector>

#include "catalogs/streams.h"

void XorScrambleBytes(char* data, std::size_t size, std::uint32_t key, std::uint64_t offset) {
    // Byte i of the region takes key byte i mod 4; starting `offset` bytes in shifts the key round.
    key = std::rotr(key, static_cast<int>(8 * (offset % 4)));
    unsigned char keyBytes[4];
    for (int i = 0; i < 4; ++i) {
        keyBytes[i] = static_cast<unsigned char>(key >> (8 * i));
    }
    // Eight bytes at a time with the key laid down twice; memcpy keeps unaligned loads defined.
    unsigned char wide[8];
    for (int i = 0; i < 8; ++i) {
        wide[i] = keyBytes[i % 4];
    }
    std::uint64_t wideKey;
    std::memcpy(&wideKey, wide, sizeof wideKey);
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        word ^= wideKey;
        std::memcpy(data + i, &word, sizeof word);
    }
    for (; i < size; ++i) {
        data[i] = static_cast<char>(data[i] ^ keyBytes[i % 4]);
    }
}

void XorScramble(TStream& source, TStream& destination, std::uint32_t key, bool rewind) {
    constexpr std::size_t kChunk = 65536;
    std::vector<char> chunk(kChunk);
    std::uint64_t done = 0;
    for (;;) {
        const std::size_t n = source.Read(chunk.data(), kChunk);
        if (n == 0) {
            break;
        }
        XorScrambleBytes(chunk.data(), n, key, done);
        destination.WriteExact(chunk.data(), n);
        done += n;
    }
    if (rewind) {
        destination.Seek(0);
    }
}
