// The container's XOR scrambler: bytes XORed with a 32-bit key taken as four little-endian bytes,
// counted from the first byte of the region. Its own inverse; the key 0 changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

class TStream;

// Scrambles `size` bytes in place that lie `offset` bytes into a region (so a region can be done in parts).
void XorScrambleBytes(char* data, std::size_t size, std::uint32_t key, std::uint64_t offset = 0);

// Scrambles `source` from its position to its end into `destination` at its position, in 64 KiB
// chunks; with `rewind`, `destination` is set back to its start afterwards.
void XorScramble(TStream& source, TStream& destination, std::uint32_t key, bool rewind);
