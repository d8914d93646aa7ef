// Streams for the tests: one that stops taking bytes after a given count, as a full disk does.
#pragma once

#include <algorithm>

#include "catalogs/streams.h"

class TFailingStream : public TStream {
public:
    TFailingStream(TStream& inner, std::size_t accepted) : inner(inner), left(accepted) {}

    std::size_t Read(void* buffer, std::size_t count) override { return inner.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const std::size_t n = inner.Write(buffer, std::min(count, left));
        left -= n;
        return n;
    }
    std::int64_t Seek(std::int64_t position) override { return inner.Seek(position); }
    std::int64_t Size() const override { return inner.Size(); }
    std::int64_t Position() const override { return inner.Position(); }

private:
    TStream& inner;
    std::size_t left;
};
