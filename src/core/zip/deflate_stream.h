#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace quorvel {

// Raw deflate (no zlib header) of one block of a longer stream; the zlib state is kept between
// blocks. Blocks compressed apart join into one stream: each is primed with the 32 KiB that
// precede it and ends on a byte boundary (a sync flush), the last one with the stream's end.
class DeflateStream {
public:
    // The most of the preceding data a block can refer to.
    static constexpr std::size_t WindowSize = 32 * 1024;

    DeflateStream();
    ~DeflateStream();
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    // Starts a new block at a level 1..9, primed with up to WindowSize bytes of preceding data.
    void reset(int level, const unsigned char* dictionary = nullptr, std::size_t dictionarySize = 0);
    // Appends the compressed block to `out`: sync-flushed, or ending the stream when `finish`.
    void pack(const unsigned char* data, std::size_t size, bool finish, std::vector<unsigned char>& out);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace quorvel
