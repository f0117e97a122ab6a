#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel {

// Compresses entry data on any thread. Each call borrows a set of compressors that no other
// thread uses meanwhile and gives it back after: setting one up costs more than packing a small file.
class BlockPacker {
public:
    BlockPacker();
    ~BlockPacker();
    BlockPacker(const BlockPacker&) = delete;
    BlockPacker& operator=(const BlockPacker&) = delete;

    // All of an entry's data as one finished deflate stream, in `out`; false (and `out` empty)
    // when it would not be smaller than the data.
    bool packWhole(const unsigned char* data, std::size_t size, int level, std::vector<unsigned char>& out);
    // One block of a stream cut into blocks (see DeflateStream), in `out`.
    void packPart(const unsigned char* data, std::size_t size, const std::vector<unsigned char>& dictionary, int level,
                  bool finish, std::vector<unsigned char>& out);

private:
    struct Engines;
    std::unique_ptr<Engines> borrow();
    void giveBack(std::unique_ptr<Engines> engines);

    std::mutex m_mutex;
    std::vector<std::unique_ptr<Engines>> m_idle;
};

} // namespace quorvel
