#include "core/zip/block_packer.h"

#include "core/zip/open_stream.h"

#include <libdeflate.h>
#include <new>
#include <stdexcept>

namespace quorvel {

// libdeflate packs at the same level 1.5 to 2.5 times as fast as zlib, and as tightly. It knows
// no dictionaries, so each block of a longer stream starts afresh: on blocks of 1 MiB that costs
// less than libdeflate's closer parsing gains back.
struct BlockPacker::Engines {
    libdeflate_compressor* compressor = nullptr;
    int level = -1;
    std::vector<unsigned char> scratch; // for opening a finished stream

    Engines() = default;
    ~Engines() {
        if (compressor)
            libdeflate_free_compressor(compressor);
    }
    Engines(const Engines&) = delete;
    Engines& operator=(const Engines&) = delete;

    libdeflate_compressor* at(int wanted) {
        if (level != wanted) {
            if (compressor)
                libdeflate_free_compressor(compressor);
            compressor = libdeflate_alloc_compressor(wanted);
            level = compressor ? wanted : -1;
            if (!compressor)
                throw std::bad_alloc();
        }
        return compressor;
    }
};

BlockPacker::BlockPacker() = default;
BlockPacker::~BlockPacker() = default;

bool BlockPacker::packWhole(const unsigned char* data, std::size_t size, int level, std::vector<unsigned char>& out) {
    std::unique_ptr<Engines> engines = m_engines.borrow();
    // A result as large as the data is of no use: the entry is stored then.
    out.resize(size);
    std::size_t packed =
        size == 0 ? 0 : libdeflate_deflate_compress(engines->at(level), data, size, out.data(), size - 1);
    m_engines.giveBack(std::move(engines));
    out.resize(packed);
    return packed > 0;
}

void BlockPacker::packPart(const unsigned char* data, std::size_t size, int level, bool finish,
                           std::vector<unsigned char>& out) {
    std::unique_ptr<Engines> engines = m_engines.borrow();
    libdeflate_compressor* compressor = engines->at(level);
    out.resize(libdeflate_deflate_compress_bound(compressor, size));
    out.resize(libdeflate_deflate_compress(compressor, data, size, out.data(), out.size()));
    // The bound is what libdeflate promises to fit; a stream that does not reopen is one we made.
    if (out.empty() || (!finish && !openFinishedStream(out, size, engines->scratch)))
        throw std::logic_error("A compressed block could not be joined to the next one");
    m_engines.giveBack(std::move(engines));
}

} // namespace quorvel
