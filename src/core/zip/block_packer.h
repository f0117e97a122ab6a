#pragma once

#include "core/zip/tool_shelf.h"
#include <cstddef>

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
    // One block of a stream cut into blocks, in `out`. Blocks compressed apart join into one
    // stream: each but the last ends on a byte boundary with the stream going on (a sync flush).
    void packPart(const unsigned char* data, std::size_t size, int level, bool finish, std::vector<unsigned char>& out);

private:
    struct Engines;
    ToolShelf<Engines> m_engines;
};

} // namespace quorvel
