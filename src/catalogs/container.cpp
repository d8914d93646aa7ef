#include "catalogs/container.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <zlib.h>

#include "catalogs/rewrite.h"
#include "catalogs/scrambler.h"

namespace {

constexpr char kUniData[] = "Uni_Data"; // header record; compressed, then scrambled; the one written
constexpr char kUniDash[] = "Uni-Data"; // header record; scrambled, then compressed
constexpr char kZlibGul[] = "ZLIB-GUL"; // fixed sizes; compressed only
constexpr char kRbacUni[] = "Rbac-Uni"; // fixed sizes; scrambled, then compressed; key after the data

constexpr std::uint32_t kFormatVersion = 3;

// Where the fields of the header-record containers lie: the magic, the format version, the record's
// size, then the record, which holds the packed size, the text size and the flags, and may run longer.
constexpr std::size_t kVersionField = 8;     // 4 bytes
constexpr std::size_t kRecordSizeField = 12; // 4 bytes
constexpr std::size_t kRecordStart = 16;
constexpr std::size_t kPackedSizeField = 16; // 8 bytes
constexpr std::size_t kTextSizeField = 24;   // 8 bytes
constexpr std::size_t kFlagsField = 32;      // 1 byte
constexpr std::size_t kRecordSize = kFlagsField + 1 - kRecordStart;

// The fixed-sizes containers: the magic, the text size, the packed size, then the packed data.
constexpr std::size_t kFixedTextSizeField = 8;
constexpr std::size_t kFixedPackedSizeField = 16;
constexpr std::size_t kFixedHeaderSize = 24;
constexpr std::size_t kBlock = 65536;
// Deflate cannot expand data by more than about 1032 to 1; output is never reserved beyond that.
constexpr std::uint64_t kMaxInflateRatio = 1032;

constexpr unsigned kScramblerMask = 0x07;
constexpr unsigned kTrailerShift = 4;
constexpr unsigned kTrailerMask = 0x07;
constexpr unsigned kCompressedFlag = 0x80;
// Compressed, one trailer word (the key) and scrambler version 1.
constexpr unsigned char kWrittenFlags = kCompressedFlag | (1 << kTrailerShift) | 1;

TMessageCallback& MessageCallback() {
    static TMessageCallback callback;
    return callback;
}

[[noreturn]] void ReadError() {
    throw EStreamError("Stream read error");
}

bool HasMagic(std::string_view bytes, const char* magic) {
    return bytes.size() >= kMagicSize && std::memcmp(bytes.data(), magic, kMagicSize) == 0;
}

std::uint64_t GetUnsigned(std::string_view bytes, std::size_t offset, std::size_t width) {
    if (offset > bytes.size() || bytes.size() - offset < width) {
        ReadError();
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

std::uint32_t GetU32(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(GetUnsigned(bytes, offset, 4));
}

// A size field: signed 64 bits; a negative one cannot be read as a count.
std::size_t GetSize(std::string_view bytes, std::size_t offset) {
    const auto value = static_cast<std::int64_t>(GetUnsigned(bytes, offset, 8));
    if (value < 0 || static_cast<std::uint64_t>(value) > std::numeric_limits<std::size_t>::max() / 2) {
        ReadError();
    }
    return static_cast<std::size_t>(value);
}

void PutUnsigned(char* out, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out[i] = static_cast<char>(value >> (8 * i));
    }
}

// zlib's stream state, ended whatever happens; zlib counts in 32-bit pieces, so data moves in pieces.
class TZStream {
public:
    explicit TZStream(bool deflating) : deflating(deflating) {
        // The zlib format with a 32 KiB window both ways, and zlib's default memory level.
        const int result =
            deflating ? deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY)
                      : inflateInit2(&z, MAX_WBITS);
        if (result != Z_OK) {
            throw EInflateError("Error");
        }
    }
    ~TZStream() { deflating ? deflateEnd(&z) : inflateEnd(&z); }
    TZStream(const TZStream&) = delete;
    TZStream& operator=(const TZStream&) = delete;

    // One step from `in` to `out`; reports how much of each it used.
    int Step(const char* in, std::size_t inSize, char* out, std::size_t outSize, int flush, std::size_t& used,
             std::size_t& made) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
        z.avail_in = static_cast<uInt>(std::min<std::size_t>(inSize, kPiece));
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = static_cast<uInt>(std::min<std::size_t>(outSize, kPiece));
        const uInt inBefore = z.avail_in;
        const uInt outBefore = z.avail_out;
        const bool last = inSize <= kPiece;
        const int result = deflating ? deflate(&z, last ? flush : Z_NO_FLUSH) : inflate(&z, Z_NO_FLUSH);
        used = inBefore - z.avail_in;
        made = outBefore - z.avail_out;
        return result;
    }

private:
    static constexpr std::size_t kPiece = UINT_MAX / 2;
    z_stream z{};
    const bool deflating;
};

// The whole zlib stream in `input`, which must inflate to exactly `textSize` bytes: inflating to the
// stream's end checks its Adler-32, so a damaged payload is refused rather than read as another text.
// Bytes after the stream are ignored. No more output is reserved than the input can inflate to,
// whatever the size says.
std::string InflateExactly(std::string_view input, std::size_t textSize) {
    if (textSize == 0 && input.empty()) {
        return {};
    }
    TZStream inflater(false);
    const std::uint64_t reachable = input.size() * kMaxInflateRatio + kBlock;
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(textSize, reachable)), '\0');
    char beyond[64]; // output past the stated size lands here: a sound stream has none
    std::size_t consumed = 0;
    std::size_t produced = 0;
    for (;;) {
        const bool full = produced == text.size();
        if (full && produced < textSize) {
            ReadError(); // a text size beyond what any stream of this length inflates to
        }
        std::size_t used = 0;
        std::size_t made = 0;
        const int result = inflater.Step(
            input.data() + consumed, input.size() - consumed, full ? beyond : text.data() + produced,
            full ? sizeof beyond : text.size() - produced, Z_NO_FLUSH, used, made);
        consumed += used;
        if (full && made > 0) {
            ReadError(); // the stream holds more than the text size
        }
        produced += full ? 0 : made;
        if (result == Z_STREAM_END) {
            break;
        }
        if (result == Z_BUF_ERROR) {
            ReadError(); // the input ran out before the stream's end
        }
        if (result != Z_OK) {
            throw EInflateError("Error"); // damaged data or checksum, or a preset dictionary no writer uses
        }
    }
    if (produced < textSize) {
        ReadError(); // the stream ended short of the text size
    }
    return text;
}

// Deflates the rest of `source` at the highest level, reading it in 64 KiB blocks.
std::string DeflateRest(TStream& source, std::size_t textSize) {
    TZStream deflater(true);
    std::string packed;
    std::size_t produced = 0;
    std::string block(kBlock, '\0');
    std::size_t blockSize = 0;
    std::size_t blockUsed = 0;
    std::size_t left = textSize;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        if (blockUsed == blockSize && left > 0) {
            blockSize = std::min(left, kBlock);
            source.ReadExact(block.data(), blockSize);
            left -= blockSize;
            blockUsed = 0;
        }
        if (produced == packed.size()) {
            packed.resize(packed.size() + std::max(kBlock, packed.size() / 2));
        }
        const bool finish = left == 0;
        std::size_t used = 0;
        std::size_t made = 0;
        result = deflater.Step(block.data() + blockUsed, blockSize - blockUsed, packed.data() + produced,
                               packed.size() - produced, finish ? Z_FINISH : Z_NO_FLUSH, used, made);
        blockUsed += used;
        produced += made;
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            throw EInflateError("Error");
        }
    }
    packed.resize(produced);
    return packed;
}

// `count` bytes from `offset` on, or the read error when the bytes are not all there.
std::string TakeExactly(std::string&& bytes, std::size_t offset, std::size_t count) {
    if (offset > bytes.size() || bytes.size() - offset < count) {
        ReadError();
    }
    bytes.erase(0, offset);
    bytes.resize(count);
    return std::move(bytes);
}

void ShowNeedVersion(unsigned version) {
    if (MessageCallback()) {
        MessageCallback()("Error", "Need version " + std::to_string(version) +
                                       " of decryptor to work with this file!");
    }
}

std::string UnpackFixedSizes(std::string&& container, std::uint32_t key) {
    const std::size_t textSize = GetSize(container, kFixedTextSizeField);
    const std::size_t packedSize = GetSize(container, kFixedPackedSizeField);
    if (container.size() - kFixedHeaderSize < packedSize) {
        ReadError();
    }
    const std::string_view packed = std::string_view(container).substr(kFixedHeaderSize, packedSize);
    if (!HasMagic(container, kRbacUni)) {
        return InflateExactly(packed, textSize);
    }
    // The 8-byte key field follows the data; its low word wins over any key passed in.
    key = static_cast<std::uint32_t>(GetUnsigned(container, kFixedHeaderSize + packedSize, 8));
    std::string text = InflateExactly(packed, textSize);
    XorScrambleBytes(text.data(), text.size(), key);
    return text;
}

std::string UnpackHeaderRecord(std::string&& container, std::uint32_t key) {
    const std::size_t recordSize = GetU32(container, kRecordSizeField);
    const std::size_t payloadStart = kRecordStart + recordSize;
    if (recordSize < kRecordSize || payloadStart > container.size()) {
        ReadError(); // the record, with its flags byte, must be there whole
    }
    const std::size_t textSize = GetSize(container, kTextSizeField);
    const auto flags = static_cast<unsigned char>(container[kFlagsField]);
    const unsigned version = flags & kScramblerMask;
    const unsigned trailerWords = (flags >> kTrailerShift) & kTrailerMask;
    const bool compressed = (flags & kCompressedFlag) != 0;
    const bool scrambledFirst = HasMagic(container, kUniDash);

    if (version >= 2) {
        ShowNeedVersion(version);
        if (textSize > 0) {
            ReadError(); // nothing this reader can undo: the container yields no data
        }
        return {};
    }
    if (version == 1 && key == 0 && trailerWords > 0) {
        // The key is read from the trailer, not assumed: containers made elsewhere use other keys.
        // At most 28 trailer bytes always lie within the 33 bytes of fixed fields and record.
        key = GetU32(container, container.size() - 4 * trailerWords);
    }
    if (version == 1 && (!scrambledFirst || !compressed)) {
        // Payload and trailer as one region; the unscrambled trailer is then ignored.
        XorScrambleBytes(container.data() + payloadStart, container.size() - payloadStart, key);
    }
    if (!compressed) {
        return TakeExactly(std::move(container), payloadStart, textSize);
    }
    std::string text = InflateExactly(std::string_view(container).substr(payloadStart), textSize);
    if (version == 1 && scrambledFirst) {
        XorScrambleBytes(text.data(), text.size(), key);
    }
    return text;
}

} // namespace

void SetContainerMessageCallback(TMessageCallback callback) {
    MessageCallback() = std::move(callback);
}

bool IsPackedBytes(std::string_view head) {
    return HasMagic(head, kUniData) || HasMagic(head, kUniDash) || HasMagic(head, kZlibGul) ||
           HasMagic(head, kRbacUni);
}

bool IsPackedStream(TStream& stream) {
    const std::int64_t start = stream.Position();
    char head[kMagicSize];
    const std::size_t n = stream.Read(head, kMagicSize);
    stream.Seek(start);
    return IsPackedBytes(std::string_view(head, n));
}

bool IsPackedFile(const std::string& path) {
    if (!platform::FileExists(path)) {
        return false;
    }
    TFileStream file(path, platform::TFile::Mode::Read);
    return IsPackedStream(file);
}

void PackStream(TStream& source, TStream& destination, std::uint32_t key) {
    const auto textSize = static_cast<std::size_t>(std::max<std::int64_t>(source.Remaining(), 0));
    std::string packed = DeflateRest(source, textSize);

    char header[kRecordStart + kRecordSize];
    std::memcpy(header, kUniData, kMagicSize);
    PutUnsigned(header + kVersionField, kFormatVersion, 4);
    PutUnsigned(header + kRecordSizeField, kRecordSize, 4);
    PutUnsigned(header + kPackedSizeField, packed.size(), 8);
    PutUnsigned(header + kTextSizeField, static_cast<std::uint64_t>(textSize), 8);
    header[kFlagsField] = static_cast<char>(kWrittenFlags);
    destination.WriteExact(header, sizeof header);
    XorScrambleBytes(packed.data(), packed.size(), key);
    destination.WriteExact(packed.data(), packed.size());
    char trailer[4];
    PutUnsigned(trailer, key, 4);
    destination.WriteExact(trailer, sizeof trailer);
}

std::int64_t PackToFile(const std::string& path, TStream& source, std::uint32_t key) {
    std::int64_t size = 0;
    RewriteFile(path, [&](TStream& out) {
        PackStream(source, out, key);
        size = out.Size();
    });
    return size;
}

std::unique_ptr<TMemoryStream> UnpackStream(TStream& source, std::uint32_t key) {
    return std::make_unique<TMemoryStream>(UnpackBytes(ReadAll(source), key));
}

std::string UnpackBytes(std::string container, std::uint32_t key) {
    if (HasMagic(container, kZlibGul) || HasMagic(container, kRbacUni)) {
        return UnpackFixedSizes(std::move(container), key);
    }
    if (HasMagic(container, kUniData) || HasMagic(container, kUniDash)) {
        return UnpackHeaderRecord(std::move(container), key);
    }
    return container;
}
