#pragma once

#include "core/zip/byte_source.h"
#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class RawInflater;

// Decodes one unencrypted entry (stored or deflated) a piece at a time and keeps its place in
// between, so that consecutive pieces may come from different threads, one after the other. Like
// the quick check it only vouches for sound data: a read that fails, data that does not inflate,
// an output longer or shorter than declared and a wrong CRC all end as Unsure, and the caller
// decodes the entry again with the streaming decoder, which words the fault.
class PieceDecoder {
public:
    enum class State { More, Sound, Unsure };
    static constexpr std::size_t InputSize = 256 * 1024;

    PieceDecoder(const ByteSource& source, const TZipHeaderInfo& entry);
    ~PieceDecoder();
    // Unencrypted, stored or deflated, and when stored with equal sizes: a stored entry's data is
    // its content, so sizes that differ are a fault for the streaming decoder to word.
    static bool handles(const TZipHeaderInfo& entry);
    PieceDecoder(const PieceDecoder&) = delete;
    PieceDecoder& operator=(const PieceDecoder&) = delete;

    // Replaces `out` with the next at most `limit` bytes of the entry's content. More while the
    // content goes on; Sound once it ended with the declared size and CRC.
    State next(std::vector<unsigned char>& out, std::size_t limit);
    std::uint32_t crc() const { return m_crc; }

private:
    bool start();
    bool fill(unsigned char* out, std::size_t limit, std::size_t& produced);
    bool copyStored(unsigned char* out, std::size_t limit, std::size_t& produced);
    bool readInput(unsigned char* buffer, std::size_t size);

    const ByteSource& m_source;
    const TZipHeaderInfo& m_entry;
    std::unique_ptr<RawInflater> m_inflater; // deflated entries only
    std::vector<unsigned char> m_input;
    std::optional<std::uint64_t> m_offset; // of the next compressed byte; set once the header was read
    std::uint64_t m_remaining = 0;         // compressed bytes not read yet
    std::uint64_t m_written = 0;
    std::uint32_t m_crc = 0;
    bool m_ended = false;
    State m_state = State::More;
};

} // namespace quorvel
