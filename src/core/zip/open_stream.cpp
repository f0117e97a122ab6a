#include "core/zip/open_stream.h"

#include "core/zip/raw_inflater.h"

#include <iterator>

namespace quorvel {

bool openFinishedStream(std::vector<unsigned char>& stream, std::size_t size, std::vector<unsigned char>& scratch) {
    RawInflater inflater;
    z_stream& z = inflater.stream();
    scratch.resize(size + 1);
    z.next_in = stream.data();
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = scratch.data();
    z.avail_out = static_cast<uInt>(scratch.size());
    // Where the last block's header starts, in bits: inflate stops after every block when asked
    // to, and tells how many bits of the last byte it took are still unused.
    std::size_t lastHeader = 0;
    unsigned unused = 0; // bits of the stream's last byte after the last block's end
    for (;;) {
        const int rc = inflate(&z, Z_BLOCK);
        if (rc == Z_STREAM_END)
            break;
        if (rc != Z_OK)
            return false;
        if ((z.data_type & 128) == 0)
            continue;
        const auto bits = static_cast<unsigned>(z.data_type & 7);
        if ((z.data_type & 64) == 0)
            lastHeader = (stream.size() - z.avail_in) * 8 - bits;
        else
            unused = bits;
    }
    if (z.total_out != size || z.avail_in != 0)
        return false;
    stream[lastHeader / 8] = static_cast<unsigned char>(stream[lastHeader / 8] & ~(1u << (lastHeader % 8)));
    // An empty stored block: three zero bits of header, zeros up to the byte boundary, then the
    // length 0 and its complement. The header fits in the last byte's unused bits when there are
    // three of them; they are zero already, and are made so.
    stream.back() = static_cast<unsigned char>(stream.back() & (0xFFu >> unused));
    if (unused < 3)
        stream.push_back(0);
    static constexpr unsigned char EmptyStoredLength[] = {0x00, 0x00, 0xFF, 0xFF};
    stream.insert(stream.end(), std::begin(EmptyStoredLength), std::end(EmptyStoredLength));
    return true;
}

} // namespace quorvel
