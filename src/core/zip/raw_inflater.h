#pragma once

#include <new>
#include <zlib.h>

namespace quorvel {

// A zlib inflater for raw deflate data (no zlib header), as entries hold it.
class RawInflater {
public:
    RawInflater() {
        if (inflateInit2(&m_stream, -MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
    }
    ~RawInflater() { inflateEnd(&m_stream); }
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;

    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream{};
};

} // namespace quorvel
