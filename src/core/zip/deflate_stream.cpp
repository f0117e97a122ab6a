#include "core/zip/deflate_stream.h"

#include <new>
#include <zlib.h>

namespace quorvel {

struct DeflateStream::State {
    z_stream stream{};
    int level = -1;
    ~State() {
        if (level >= 0)
            deflateEnd(&stream);
    }
};

DeflateStream::DeflateStream() : m_state(std::make_unique<State>()) {}
DeflateStream::~DeflateStream() = default;

void DeflateStream::reset(int level, const unsigned char* dictionary, std::size_t dictionarySize) {
    State& s = *m_state;
    if (s.level == level) {
        deflateReset(&s.stream);
    } else {
        if (s.level >= 0)
            deflateEnd(&s.stream);
        s.stream = z_stream{};
        s.level = -1;
        if (deflateInit2(&s.stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        s.level = level;
    }
    if (dictionarySize > 0 && deflateSetDictionary(&s.stream, dictionary, static_cast<uInt>(dictionarySize)) != Z_OK)
        throw std::bad_alloc();
}

void DeflateStream::pack(const unsigned char* data, std::size_t size, bool finish, std::vector<unsigned char>& out) {
    State& s = *m_state;
    s.stream.next_in = const_cast<unsigned char*>(data);
    s.stream.avail_in = static_cast<uInt>(size);
    // Room for the block at its worst (stored) and the flush markers: one call is usually enough.
    std::size_t start = out.size();
    out.resize(start + deflateBound(&s.stream, static_cast<uLong>(size)) + 16);
    std::size_t used = start;
    int flush = finish ? Z_FINISH : Z_SYNC_FLUSH;
    while (true) {
        if (used == out.size())
            out.resize(out.size() + 64 * 1024);
        s.stream.next_out = out.data() + used;
        s.stream.avail_out = static_cast<uInt>(out.size() - used);
        int rc = deflate(&s.stream, flush);
        used = out.size() - s.stream.avail_out;
        if (rc == Z_STREAM_END || (!finish && s.stream.avail_in == 0 && s.stream.avail_out != 0))
            break;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            throw std::bad_alloc();
    }
    out.resize(used);
}

} // namespace quorvel
