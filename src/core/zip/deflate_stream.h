#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace quorvel {

// Raw deflate (no zlib header), one stream per entry; the zlib state is kept between entries.
class DeflateStream {
public:
    using Emit = std::function<void(unsigned char* data, std::size_t size)>;

    DeflateStream();
    ~DeflateStream();
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    // Starts a new stream at a level 1..9.
    void reset(int level);
    // Compresses a block; `finish` ends the stream. Output is handed to `emit` (which may change it in place).
    void compress(const unsigned char* data, std::size_t size, bool finish, const Emit& emit);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace quorvel
