#include "regexpr/scan.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace regexpr {
namespace {

// Steps of CharFrequency that double how often a character shows, roughly.
constexpr double kDoubling = 32;

#if defined(__SSE2__)
constexpr std::ptrdiff_t kBlock = 16;

__m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

__m128i Splat(std::uint8_t c) {
    return _mm_set1_epi8(static_cast<char>(c));
}

unsigned Mask(__m128i hits) {
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

// The set bits of a block's mask: std::popcount is a library call where the processor need not have
// the instruction, as for the Windows build.
std::int32_t CountBits(unsigned mask) {
    mask -= (mask >> 1) & 0x5555u;
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return static_cast<std::int32_t>((mask + (mask >> 8)) & 0x1Fu);
}

// The bytes of a block that lie in a few ranges: x is in [low, low + span] when x - low, wrapped to a
// byte, is at most span.
struct RangeTest {
    __m128i lows[ByteRanges::kMaxRanges];
    __m128i spans[ByteRanges::kMaxRanges];
    int count = 0;
    RangeTest() = default;
    explicit RangeTest(const ByteRanges& ranges) {
        count = ranges.count;
        for (int r = 0; r < count; ++r) {
            lows[r] = Splat(ranges.low[r]);
            spans[r] = Splat(ranges.span[r]);
        }
    }
    __m128i Members(__m128i x) const {
        __m128i hits = _mm_setzero_si128();
        for (int r = 0; r < count; ++r) {
            const __m128i shifted = _mm_sub_epi8(x, lows[r]);
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(_mm_min_epu8(shifted, spans[r]), shifted));
        }
        return hits;
    }
};
#endif

bool InBitmap(const std::uint8_t* bitmap, std::uint8_t c) {
    return (bitmap[c >> 3] >> (c & 7)) & 1;
}

} // namespace

const std::uint8_t* FindEither(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t a,
                               std::uint8_t b) {
    if (from >= end) {
        return nullptr;
    }
    if (a == b) {
        return static_cast<const std::uint8_t*>(std::memchr(from, a, static_cast<std::size_t>(end - from)));
    }
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    const __m128i va = Splat(a);
    const __m128i vb = Splat(b);
    for (; end - p >= kBlock; p += kBlock) {
        const __m128i x = Load(p);
        const unsigned mask = Mask(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
        if (mask != 0) {
            return p + std::countr_zero(mask);
        }
    }
#endif
    for (; p < end; ++p) {
        if (*p == a || *p == b) {
            return p;
        }
    }
    return nullptr;
}

const std::uint8_t* FindAnyOf3(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t a,
                               std::uint8_t b, std::uint8_t c) {
    if (b == c || a == c) {
        return FindEither(from, end, a, b);
    }
    if (a == b) {
        return FindEither(from, end, a, c);
    }
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    const __m128i va = Splat(a);
    const __m128i vb = Splat(b);
    const __m128i vc = Splat(c);
    for (; end - p >= kBlock; p += kBlock) {
        const __m128i x = Load(p);
        const unsigned mask = Mask(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)), _mm_cmpeq_epi8(x, vc)));
        if (mask != 0) {
            return p + std::countr_zero(mask);
        }
    }
#endif
    for (; p < end; ++p) {
        if (*p == a || *p == b || *p == c) {
            return p;
        }
    }
    return nullptr;
}

const std::uint8_t* ShortOfCount(const std::uint8_t* from, const std::uint8_t* end, std::uint8_t c,
                                 std::int32_t n, std::uint8_t x, std::uint8_t y) {
    const std::uint8_t* p = from;
    std::int32_t seen = 0;
#if defined(__SSE2__)
    const __m128i vc = Splat(c);
    const __m128i vx = Splat(x);
    const __m128i vy = Splat(y);
    for (; end - p >= kBlock; p += kBlock) {
        const __m128i block = Load(p);
        const unsigned counted = Mask(_mm_cmpeq_epi8(block, vc));
        const unsigned stops = Mask(_mm_or_si128(_mm_cmpeq_epi8(block, vx), _mm_cmpeq_epi8(block, vy)));
        const unsigned before = stops == 0 ? counted : counted & ((stops & -stops) - 1);
        seen += CountBits(before);
        if (seen >= n) {
            return nullptr;
        }
        if (stops != 0) {
            return p + std::countr_zero(stops);
        }
    }
#endif
    for (; p < end && *p != x && *p != y; ++p) {
        seen += *p == c ? 1 : 0;
        if (seen >= n) {
            return nullptr;
        }
    }
    return p;
}

const std::uint8_t* FindEitherBackward(const std::uint8_t* begin, const std::uint8_t* end, std::uint8_t a,
                                       std::uint8_t b) {
    const std::uint8_t* p = end;
#if defined(__SSE2__)
    const __m128i va = Splat(a);
    const __m128i vb = Splat(b);
    for (; p - begin >= kBlock; p -= kBlock) {
        const __m128i x = Load(p - kBlock);
        const unsigned mask = Mask(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
        if (mask != 0) {
            return p - kBlock + (std::bit_width(mask) - 1);
        }
    }
#endif
    while (p > begin) {
        --p;
        if (*p == a || *p == b) {
            return p;
        }
    }
    return nullptr;
}

int CharFrequency(std::uint8_t c) {
    static constexpr std::string_view kLettersByFrequency = "etaoinshrdlcumwfgypbvkjxqz";
    if (c >= 'a' && c <= 'z') {
        return 200 - 6 * static_cast<int>(kLettersByFrequency.find(static_cast<char>(c)));
    }
    if (c >= 'A' && c <= 'Z') {
        return CharFrequency(static_cast<std::uint8_t>(c - 'A' + 'a')) / 2;
    }
    if (c >= '0' && c <= '9') {
        return 150;
    }
    switch (c) {
    case '.':
        return 100; // about once a line, before the extension
    case ' ':
    case '\\':
    case '/':
    case ':':
    case '\r':
    case '\n':
    case '\t':
        return 250;
    case '_':
    case '-':
        return 80;
    default:
        return c >= 0x80 ? 120 : c < ' ' ? 10 : 60;
    }
}

int SetFrequency(const ByteSet& set) {
    double weight = 0;
    for (int c = 0; c < 256; ++c) {
        if (InBitmap(set.data(), static_cast<std::uint8_t>(c))) {
            weight += std::exp2(CharFrequency(static_cast<std::uint8_t>(c)) / kDoubling);
        }
    }
    return weight == 0 ? 0 : static_cast<int>(std::lround(kDoubling * std::log2(weight)));
}

ByteRanges::ByteRanges(const std::uint8_t* set) {
    for (int c = 0; c < 256;) {
        if (!InBitmap(set, static_cast<std::uint8_t>(c))) {
            ++c;
            continue;
        }
        int high = c;
        while (high < 255 && InBitmap(set, static_cast<std::uint8_t>(high + 1))) {
            ++high;
        }
        if (count == kMaxRanges) {
            count = 0;
            return;
        }
        low[count] = static_cast<std::uint8_t>(c);
        span[count] = static_cast<std::uint8_t>(high - c);
        ++count;
        c = high + 1;
    }
}

void TByteSetScan::Assign(const std::uint8_t* set) {
    std::memcpy(bitmap.data(), set, bitmap.size());
    ranges = ByteRanges(set);
}

const std::uint8_t* TByteSetScan::Find(const std::uint8_t* from, const std::uint8_t* end) const {
    const std::uint8_t* p = from;
    if (ranges.count == 1 && ranges.span[0] == 0 && p < end) {
        return static_cast<const std::uint8_t*>(
            std::memchr(p, ranges.low[0], static_cast<std::size_t>(end - p)));
    }
#if defined(__SSE2__)
    if (ranges.count > 0) {
        const RangeTest test(ranges);
        for (; end - p >= kBlock; p += kBlock) {
            if (const unsigned mask = Mask(test.Members(Load(p))); mask != 0) {
                return p + std::countr_zero(mask);
            }
        }
    }
#endif
    for (; p < end; ++p) {
        if (InBitmap(bitmap.data(), *p)) {
            return p;
        }
    }
    return nullptr;
}

std::ptrdiff_t TByteSetScan::RunLength(const std::uint8_t* from, const std::uint8_t* end,
                                       std::ptrdiff_t most) const {
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    // A block at a time even for a short run: where a run ends varies too much for a branch per
    // character to be guessed right.
    if (ranges.count > 0) {
        const RangeTest test(ranges);
        for (; end - p >= kBlock && p - from < most; p += kBlock) {
            if (const unsigned others = ~Mask(test.Members(Load(p))) & 0xffffu; others != 0) {
                return std::min<std::ptrdiff_t>(p + std::countr_zero(others) - from, most);
            }
        }
    }
#endif
    for (; p < end && p - from < most && InBitmap(bitmap.data(), *p); ++p) {
    }
    return std::min<std::ptrdiff_t>(p - from, most);
}

const std::uint8_t* TByteSetScan::FindRun(const std::uint8_t* from, const std::uint8_t* end,
                                          std::ptrdiff_t most, std::ptrdiff_t& run) const {
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    if (ranges.count > 0) {
        const RangeTest test(ranges);
        for (; end - p >= kBlock; p += kBlock) {
            const unsigned members = Mask(test.Members(Load(p)));
            if (members == 0) {
                continue;
            }
            const int at = std::countr_zero(members);
            const unsigned others = (~members & 0xffffu) >> at;
            run = others != 0 ? std::countr_zero(others)
                              : kBlock - at + RunLength(p + kBlock, end, most - (kBlock - at));
            run = std::min(run, most);
            return p + at;
        }
    }
#endif
    p = Find(p, end);
    if (p != nullptr) {
        run = RunLength(p, end, most);
    }
    return p;
}

std::ptrdiff_t TByteSetScan::RunBefore(const std::uint8_t* begin, const std::uint8_t* end) const {
    const std::uint8_t* p = end;
#if defined(__SSE2__)
    if (ranges.count > 0) {
        const RangeTest test(ranges);
        for (; p - begin >= kBlock; p -= kBlock) {
            if (const unsigned others = ~Mask(test.Members(Load(p - kBlock))) & 0xffffu; others != 0) {
                return end - (p - kBlock + std::bit_width(others));
            }
        }
    }
#endif
    for (; p > begin && InBitmap(bitmap.data(), p[-1]); --p) {
    }
    return end - p;
}

void TLiteralScan::Assign(const std::vector<LiteralString>& strings,
                          const std::vector<std::vector<ByteSet>>& after) {
    entries.clear();
    farthestProbe = 0;
    for (std::size_t s = 0; s < strings.size(); ++s) {
        const LiteralString& text = strings[s];
        // The rarest character first; of equally rare ones for the second, the farthest from the
        // first, as nearby characters of a word tend to occur together.
        // A character whose cases differ in more than one bit makes a probe that lets more bytes by.
        constexpr int kWeakProbe = 100;
        const auto frequency = [&text](std::ptrdiff_t i) {
            const LiteralChar c = text[static_cast<std::size_t>(i)];
            return std::max(CharFrequency(c.c), CharFrequency(c.other)) + (c.c != c.other ? 10 : 0) +
                   (std::popcount(static_cast<unsigned>(c.c ^ c.other)) > 1 ? kWeakProbe : 0);
        };
        const auto length = static_cast<std::ptrdiff_t>(text.size());
        std::ptrdiff_t first = 0;
        for (std::ptrdiff_t i = 1; i < length; ++i) {
            if (frequency(i) < frequency(first)) {
                first = i;
            }
        }
        std::ptrdiff_t second = first;
        for (std::ptrdiff_t i = 0; i < length; ++i) {
            if (i != first &&
                (second == first || frequency(i) < frequency(second) ||
                 (frequency(i) == frequency(second) && std::abs(i - first) > std::abs(second - first)))) {
                second = i;
            }
        }
        Entry entry;
        entry.text = text;
        if (s < after.size()) {
            entry.after = after[s];
        }
        const auto probe = [&text](std::ptrdiff_t offset) {
            const LiteralChar c = text[static_cast<std::size_t>(offset)];
            return Probe{offset, c, static_cast<std::uint8_t>(c.c ^ c.other),
                         static_cast<std::uint8_t>(c.c | c.other)};
        };
        entry.probes[0] = probe(std::min(first, second));
        entry.probes[1] = probe(std::max(first, second));
        farthestProbe = std::max(farthestProbe, entry.probes[1].offset);
        entries.push_back(std::move(entry));
    }
}

bool TLiteralScan::StandsAt(const Entry& entry, const std::uint8_t* at, const std::uint8_t* end) const {
    if (static_cast<std::size_t>(end - at) < entry.text.size() + entry.after.size()) {
        return false;
    }
    for (const LiteralChar& c : entry.text) {
        if (!c.Accepts(*at++)) {
            return false;
        }
    }
    for (const ByteSet& set : entry.after) {
        if (!InBitmap(set.data(), *at++)) {
            return false;
        }
    }
    return true;
}

// Of the positions from `block` whose bits are set in `any`, the first where a string stands; only
// the strings whose probes both hit there (their bits in `hits`) are compared.
const std::uint8_t* TLiteralScan::FirstStanding(const std::uint8_t* block, const std::uint8_t* end,
                                                const std::uint32_t* hits, std::uint32_t any) const {
    for (; any != 0; any &= any - 1) {
        const int bit = std::countr_zero(any);
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (((hits[e] >> bit) & 1) != 0 && StandsAt(entries[e], block + bit, end)) {
                return block + bit;
            }
        }
    }
    return nullptr;
}

#if defined(__SSE2__)
// The loop for a known number of strings, whose probes then stay in registers.
template <int kCount>
__attribute__((target("avx2"))) const std::uint8_t* TLiteralScan::FindWideOf(const std::uint8_t*& p,
                                                                             const std::uint8_t* end) const {
    constexpr std::ptrdiff_t kWide = 32;
    __m256i bits[kCount][2];
    __m256i values[kCount][2];
    std::ptrdiff_t offsets[kCount][2];
    for (int e = 0; e < kCount; ++e) {
        for (int i = 0; i < 2; ++i) {
            bits[e][i] = _mm256_set1_epi8(static_cast<char>(entries[e].probes[i].bits));
            values[e][i] = _mm256_set1_epi8(static_cast<char>(entries[e].probes[i].value));
            offsets[e][i] = entries[e].probes[i].offset;
        }
    }
    for (; end - p >= kWide + farthestProbe; p += kWide) {
        std::uint32_t hits[kCount];
        std::uint32_t any = 0;
        for (int e = 0; e < kCount; ++e) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + offsets[e][0]));
            const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + offsets[e][1]));
            const __m256i hitX = _mm256_cmpeq_epi8(_mm256_or_si256(x, bits[e][0]), values[e][0]);
            const __m256i hitY = _mm256_cmpeq_epi8(_mm256_or_si256(y, bits[e][1]), values[e][1]);
            hits[e] = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(hitX, hitY)));
            any |= hits[e];
        }
        if (const std::uint8_t* at = any != 0 ? FirstStanding(p, end, hits, any) : nullptr) {
            // GCC keeps the probes in registers across the call and takes this way out without
            // clearing their upper halves: the SSE code after it then ran at a fraction of its speed.
            _mm256_zeroupper();
            return at;
        }
    }
    return nullptr;
}

// Thirty-two positions at a time, on a processor with AVX2 (nearly every one since 2013); `p` is left
// where fewer remain than a block needs.
const std::uint8_t* TLiteralScan::FindWide(const std::uint8_t*& p, const std::uint8_t* end) const {
    using Loop = const std::uint8_t* (TLiteralScan::*)(const std::uint8_t*&, const std::uint8_t*) const;
    static constexpr Loop kLoops[kMaxStrings] = {&TLiteralScan::FindWideOf<1>, &TLiteralScan::FindWideOf<2>,
                                                 &TLiteralScan::FindWideOf<3>, &TLiteralScan::FindWideOf<4>,
                                                 &TLiteralScan::FindWideOf<5>, &TLiteralScan::FindWideOf<6>,
                                                 &TLiteralScan::FindWideOf<7>, &TLiteralScan::FindWideOf<8>};
    return (this->*kLoops[entries.size() - 1])(p, end);
}

namespace {

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace
#endif

const std::uint8_t* TLiteralScan::Find(const std::uint8_t* from, const std::uint8_t* end) const {
    if (entries.empty()) {
        return nullptr;
    }
    if (entries.size() == 1 && entries[0].text.size() == 1 && entries[0].after.empty()) {
        const LiteralChar c = entries[0].text[0];
        return FindEither(from, end, c.c, c.other);
    }
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    static const bool wide = HasAvx2();
    if (wide) {
        if (const std::uint8_t* at = FindWide(p, end)) {
            return at;
        }
    }
    const int count = static_cast<int>(entries.size());
    __m128i bits[kMaxStrings][2];
    __m128i values[kMaxStrings][2];
    for (int e = 0; e < count; ++e) {
        for (int i = 0; i < 2; ++i) {
            bits[e][i] = Splat(entries[e].probes[i].bits);
            values[e][i] = Splat(entries[e].probes[i].value);
        }
    }
    for (; end - p >= kBlock + farthestProbe; p += kBlock) {
        std::uint32_t hits[kMaxStrings];
        std::uint32_t any = 0;
        for (int e = 0; e < count; ++e) {
            const Probe* probes = entries[e].probes;
            const __m128i x = Load(p + probes[0].offset);
            const __m128i y = Load(p + probes[1].offset);
            const __m128i hitX = _mm_cmpeq_epi8(_mm_or_si128(x, bits[e][0]), values[e][0]);
            const __m128i hitY = _mm_cmpeq_epi8(_mm_or_si128(y, bits[e][1]), values[e][1]);
            hits[e] = Mask(_mm_and_si128(hitX, hitY));
            any |= hits[e];
        }
        if (const std::uint8_t* at = any != 0 ? FirstStanding(p, end, hits, any) : nullptr) {
            return at;
        }
    }
#endif
    for (; p < end; ++p) {
        for (const Entry& entry : entries) {
            const Probe* probes = entry.probes;
            if (end - p > probes[1].offset && probes[0].c.Accepts(p[probes[0].offset]) &&
                probes[1].c.Accepts(p[probes[1].offset]) && StandsAt(entry, p, end)) {
                return p;
            }
        }
    }
    return nullptr;
}

void TSetSequenceScan::Assign(const std::vector<ByteSet>& newSets) {
    sets = newSets;
    probes.clear();
    farthestProbe = 0;
    // A set this frequent, as [^\\] or \w, is in nearly every position: a probe of it finds nothing.
    constexpr int kTooFrequent = 320;
    std::vector<std::pair<int, std::ptrdiff_t>> candidates; // frequency, offset
    for (std::size_t i = 0; i < sets.size(); ++i) {
        const int frequency = SetFrequency(sets[i]);
        if (frequency < kTooFrequent && ByteRanges(sets[i].data()).count > 0) {
            candidates.emplace_back(frequency, static_cast<std::ptrdiff_t>(i));
        }
    }
    // The rarest first; of equally rare ones the later, as an expression's first items are often the
    // commonest (a separator before a name).
    std::sort(candidates.begin(), candidates.end(), [](const auto& x, const auto& y) {
        return x.first != y.first ? x.first < y.first : x.second > y.second;
    });
    for (std::size_t i = 0; i < candidates.size() && i < kMaxProbes; ++i) {
        const std::ptrdiff_t offset = candidates[i].second;
        probes.push_back({offset, ByteRanges(sets[static_cast<std::size_t>(offset)].data())});
        farthestProbe = std::max(farthestProbe, offset);
    }
}

#if defined(__SSE2__)
__attribute__((target("avx2"))) const std::uint8_t*
TSetSequenceScan::FindWide(const std::uint8_t*& p, const std::uint8_t* end) const {
    constexpr std::ptrdiff_t kWide = 32;
    const int count = static_cast<int>(probes.size());
    __m256i lows[kMaxProbes][ByteRanges::kMaxRanges];
    __m256i spans[kMaxProbes][ByteRanges::kMaxRanges];
    for (int i = 0; i < count; ++i) {
        for (int r = 0; r < probes[i].ranges.count; ++r) {
            lows[i][r] = _mm256_set1_epi8(static_cast<char>(probes[i].ranges.low[r]));
            spans[i][r] = _mm256_set1_epi8(static_cast<char>(probes[i].ranges.span[r]));
        }
    }
    for (; end - p >= kWide + farthestProbe; p += kWide) {
        __m256i all = _mm256_set1_epi8(-1);
        for (int i = 0; i < count; ++i) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probes[i].offset));
            __m256i hits = _mm256_setzero_si256();
            for (int r = 0; r < probes[i].ranges.count; ++r) {
                const __m256i shifted = _mm256_sub_epi8(x, lows[i][r]);
                hits =
                    _mm256_or_si256(hits, _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, spans[i][r]), shifted));
            }
            all = _mm256_and_si256(all, hits);
        }
        for (auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(all)); mask != 0; mask &= mask - 1) {
            const std::uint8_t* at = p + std::countr_zero(mask);
            if (SetsStandAt(sets, at, end)) {
                return at;
            }
        }
    }
    return nullptr;
}
#endif

const std::uint8_t* TSetSequenceScan::Find(const std::uint8_t* from, const std::uint8_t* end) const {
    const std::uint8_t* p = from;
#if defined(__SSE2__)
    static const bool wide = HasAvx2();
    if (wide) {
        if (const std::uint8_t* at = FindWide(p, end)) {
            return at;
        }
    }
    if (!probes.empty()) {
        RangeTest tests[kMaxProbes];
        for (std::size_t i = 0; i < probes.size(); ++i) {
            tests[i] = RangeTest(probes[i].ranges);
        }
        for (; end - p >= kBlock + farthestProbe; p += kBlock) {
            unsigned all = 0xFFFF;
            for (std::size_t i = 0; i < probes.size() && all != 0; ++i) {
                all &= Mask(tests[i].Members(Load(p + probes[i].offset)));
            }
            for (; all != 0; all &= all - 1) {
                const std::uint8_t* at = p + std::countr_zero(all);
                if (SetsStandAt(sets, at, end)) {
                    return at;
                }
            }
        }
    }
#endif
    for (; p < end; ++p) {
        if (SetsStandAt(sets, p, end)) {
            return p;
        }
    }
    return nullptr;
}

} // namespace regexpr
