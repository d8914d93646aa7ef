// Byte streams with a size and a position, as the catalog and container functions move data: the
// abstract TStream, an in-memory stream over a string and a stream over a platform file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/files.h"

// A short read or write where an exact count was needed: "Stream read error", "Stream write error".
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStream {
public:
    virtual ~TStream() = default;

    // Both return the count moved, short at the end of the stream or when the medium fails.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Seek(std::int64_t position) = 0; // from the start; returns the new position
    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;

    void ReadExact(void* buffer, std::size_t count);        // or EStreamError("Stream read error")
    void WriteExact(const void* buffer, std::size_t count); // or EStreamError("Stream write error")
    std::int64_t Remaining() const { return Size() - Position(); }
};

// A stream over a string that it owns; writes past the end grow it.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t position) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes.size()); }
    std::int64_t Position() const override { return static_cast<std::int64_t>(position); }

    const std::string& Bytes() const { return bytes; }
    std::string TakeBytes(); // leaves the stream empty

private:
    std::string bytes;
    std::size_t position = 0;
};

// A stream over a file, either opened by the stream itself or lent by its owner.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, platform::TFile::Mode mode);
    explicit TFileStream(platform::TFile& file) : file(file) {}

    std::size_t Read(void* buffer, std::size_t count) override { return file.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override { return file.Write(buffer, count); }
    std::int64_t Seek(std::int64_t position) override { return file.Seek(position); }
    std::int64_t Size() const override { return file.Size(); }
    std::int64_t Position() const override { return file.Position(); }

private:
    std::unique_ptr<platform::TFile> owned;
    platform::TFile& file;
};

// The whole of `source` from its first byte; reads until the stream ends, whatever its size said.
std::string ReadAll(TStream& source);
