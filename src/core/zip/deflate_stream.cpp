#include "core/zip/deflate_stream.h"

#include <new>
#include <vector>
#include <zlib.h>

namespace quorvel {

namespace {
constexpr std::size_t OutputChunk = 64 * 1024;
}

struct DeflateStream::State {
    z_stream stream{};
    int level = -1;
    std::vector<unsigned char> output = std::vector<unsigned char>(OutputChunk);
    ~State() {
        if (level >= 0)
            deflateEnd(&stream);
    }
};

DeflateStream::DeflateStream() : m_state(std::make_unique<State>()) {}
DeflateStream::~DeflateStream() = default;

void DeflateStream::reset(int level) {
    State& s = *m_state;
    if (s.level == level) {
        deflateReset(&s.stream);
        return;
    }
    if (s.level >= 0)
        deflateEnd(&s.stream);
    s.stream = z_stream{};
    s.level = -1;
    if (deflateInit2(&s.stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    s.level = level;
}

void DeflateStream::compress(const unsigned char* data, std::size_t size, bool finish, const Emit& emit) {
    State& s = *m_state;
    s.stream.next_in = const_cast<unsigned char*>(data);
    s.stream.avail_in = static_cast<uInt>(size);
    int flush = finish ? Z_FINISH : Z_NO_FLUSH;
    while (true) {
        s.stream.next_out = s.output.data();
        s.stream.avail_out = static_cast<uInt>(s.output.size());
        int rc = deflate(&s.stream, flush);
        std::size_t produced = s.output.size() - s.stream.avail_out;
        if (produced > 0)
            emit(s.output.data(), produced);
        if (rc == Z_STREAM_END)
            return;
        if (!finish && s.stream.avail_in == 0 && s.stream.avail_out != 0)
            return;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            throw std::bad_alloc();
    }
}

} // namespace quorvel
