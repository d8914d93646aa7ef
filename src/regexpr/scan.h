// Fast scans over a text: for either of two bytes (forwards and backwards), for the members of a byte
// set, for the first place where one of a few literal strings begins, and for the first place where
// characters of given sets stand one after the other. Sixteen bytes at a time
// with SSE2 where the target has it (every x86-64), one at a time elsewhere; the results are the same.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace regexpr {

// The first position in [from, end) holding `a` or `b`, or nothing.
const std::uint8_t* FindEither(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t a,
                               std::uint8_t b);

// The first position in [from, end) holding `a`, `b` or `c`, or nothing.
const std::uint8_t* FindAnyOf3(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t a,
                               std::uint8_t b, std::uint8_t c);

// Where the first `x` or `y` in [from, end) stands (`end` when none does) if fewer than `n` of `c`
// stand before it; nothing when `n` do.
const std::uint8_t* ShortOfCount(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t c,
                                 std::int32_t n, std::uint8_t x, std::uint8_t y);

// The last position in [begin, end) holding `a` or `b`, or nothing.
const std::uint8_t* FindEitherBackward(const std::uint8_t* begin, const std::uint8_t* end, std::uint8_t a,
                                       std::uint8_t b);

// How often a character shows in catalog lines, roughly: 0 rare ... 255 in nearly every line.
int CharFrequency(std::uint8_t c);

// A character of a literal as the matcher compares it: the text may hold `c` or `other` there (the
// same byte when case does not matter).
struct LiteralChar {
    std::uint8_t c = 0;
    std::uint8_t other = 0;
    bool Accepts(std::uint8_t x) const { return x == c || x == other; }
    friend bool operator==(const LiteralChar&, const LiteralChar&) = default;
};
using LiteralString = std::vector<LiteralChar>;

using ByteSet = std::array<std::uint8_t, 32>; // a 256-bit set of byte values

// Whether `a` and `b` have no member in common.
inline bool Disjoint(const ByteSet& a, const ByteSet& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] & b[i]) != 0) {
            return false;
        }
    }
    return true;
}

// Adds the members of `from` to `to`.
inline void AddSet(ByteSet& to, const ByteSet& from) {
    for (std::size_t i = 0; i < to.size(); ++i) {
        to[i] = static_cast<std::uint8_t>(to[i] | from[i]);
    }
}

// Whether every member of `a` is one of `b`.
inline bool Within(const ByteSet& a, const ByteSet& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] & ~b[i]) != 0) {
            return false;
        }
    }
    return true;
}

// Whether a character of each set stands at `at`, one set per offset from it, all before `end`.
inline bool SetsStandAt(const std::vector<ByteSet>& sets, const std::uint8_t* at, const std::uint8_t* end) {
    if (static_cast<std::size_t>(end - at) < sets.size()) {
        return false;
    }
    for (const ByteSet& set : sets) {
        const std::uint8_t c = *at++;
        if (((set[c >> 3] >> (c & 7)) & 1) == 0) {
            return false;
        }
    }
    return true;
}

// How often a byte of the set shows, on the scale of CharFrequency: a set of many bytes is more frequent
// than the most frequent of them.
int SetFrequency(const ByteSet& set);

// A byte set as a few ranges of consecutive codes, which a vector compare tests at once.
struct ByteRanges {
    static constexpr int kMaxRanges = 4;
    std::array<std::uint8_t, kMaxRanges> low{};
    std::array<std::uint8_t, kMaxRanges> span{}; // high - low
    int count = 0;                               // 0: more ranges than kMaxRanges, or none
    ByteRanges() = default;
    explicit ByteRanges(const std::uint8_t* bitmap);
};

// The members of a 256-bit set, found as ranges of consecutive codes when there are few of them.
class TByteSetScan {
public:
    void Assign(const std::uint8_t* bitmap);
    // The first member in [from, end), or nothing.
    const std::uint8_t* Find(const std::uint8_t* from, const std::uint8_t* end) const;
    // Find, and in `run` how many members stand one after another from the one found, before `end`,
    // counted up to `most`: mostly told by the block the member was found in.
    const std::uint8_t* FindRun(const std::uint8_t* from, const std::uint8_t* end, std::ptrdiff_t most,
                                std::ptrdiff_t& run) const;
    // How many members stand one after another right before `end`, none before `begin`.
    std::ptrdiff_t RunBefore(const std::uint8_t* begin, const std::uint8_t* end) const;

private:
    std::ptrdiff_t RunLength(const std::uint8_t* from, const std::uint8_t* end, std::ptrdiff_t most) const;
    ByteSet bitmap{};
    ByteRanges ranges;
};

// The first place where one of a few non-empty strings begins. Each string is looked for by two of
// its characters, the rarest ones by CharFrequency, for all the strings together, and then compared
// whole where both stand.
class TLiteralScan {
public:
    static constexpr int kMaxStrings = 8;

    // At most kMaxStrings strings, none empty; `after`, when given, holds for each string the sets of
    // the characters that must follow it, one set per character.
    void Assign(const std::vector<LiteralString>& strings,
                const std::vector<std::vector<ByteSet>>& after = {});
    bool Empty() const { return entries.empty(); }
    // The first position in [from, end) where one of the strings begins and ends, with the characters
    // that must follow it, before `end`.
    const std::uint8_t* Find(const std::uint8_t* from, const std::uint8_t* end) const;

private:
    // A probe tests `(x | bits) == value`, bits being where its character's two cases differ: exactly
    // those two when they differ in one bit, as the letters of ASCII and of the Cyrillic code pages
    // mostly do, and a few bytes more when in several, which the full comparison turns away.
    struct Probe {
        std::ptrdiff_t offset = 0;
        LiteralChar c;
        std::uint8_t bits = 0;
        std::uint8_t value = 0;
    };
    struct Entry {
        LiteralString text;
        std::vector<ByteSet> after;
        Probe probes[2]; // the lower offset first; the same probe twice for a string of one character
    };
    bool StandsAt(const Entry& entry, const std::uint8_t* at, const std::uint8_t* end) const;
    const std::uint8_t* FirstStanding(const std::uint8_t* block, const std::uint8_t* end,
                                      const std::uint32_t* hits, std::uint32_t any) const;
    const std::uint8_t* FindWide(const std::uint8_t*& p, const std::uint8_t* end) const;
    template <int kCount>
    const std::uint8_t* FindWideOf(const std::uint8_t*& p, const std::uint8_t* end) const;

    std::vector<Entry> entries;
    std::ptrdiff_t farthestProbe = 0;
};

// The first place where a character of each of a few sets stands, one set per offset from it, as the
// first items of an expression such as \\\d{4} ask. Looked for by the rarest sets, by CharFrequency,
// of those that are a few ranges, tested together a block at a time; then all sets are checked where
// those stand.
class TSetSequenceScan {
public:
    static constexpr int kMaxSets = 16;

    // At most kMaxSets sets; the scan stays empty when none of them makes a probe: every set too
    // frequent, or of too many ranges.
    void Assign(const std::vector<ByteSet>& sets);
    bool Empty() const { return probes.empty(); }
    std::size_t Length() const { return sets.size(); }
    // The first position in [from, end) where the sets stand, all before `end`, or nothing.
    const std::uint8_t* Find(const std::uint8_t* from, const std::uint8_t* end) const;

private:
    static constexpr int kMaxProbes = 3;
    struct Probe {
        std::ptrdiff_t offset = 0;
        ByteRanges ranges;
    };
    const std::uint8_t* FindWide(const std::uint8_t*& p, const std::uint8_t* end) const;

    std::vector<ByteSet> sets;
    std::vector<Probe> probes;
    std::ptrdiff_t farthestProbe = 0;
};

} // namespace regexpr
