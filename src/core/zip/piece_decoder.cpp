#include "core/zip/piece_decoder.h"

#include "core/zip/byte_reader.h"
#include "core/zip/raw_inflater.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <libdeflate.h>
#include <zlib.h>

namespace quorvel {

PieceDecoder::PieceDecoder(const ByteSource& source, const TZipHeaderInfo& entry) : m_source(source), m_entry(entry) {}

PieceDecoder::~PieceDecoder() = default;

bool PieceDecoder::handles(const TZipHeaderInfo& entry) {
    if (entry.isEncrypted())
        return false;
    return entry.compressionMethod == 8 ||
           (entry.compressionMethod == 0 && entry.compressedSize == entry.uncompressedSize);
}

// Reads the local header; false when there is none where the directory says, or the entry is of
// a kind decoded elsewhere.
bool PieceDecoder::start() {
    if (!handles(m_entry))
        return false;
    unsigned char fixed[zipformat::LocalHeaderSize];
    if (!m_source.readExactAt(m_entry.relativeOffset, fixed, sizeof fixed))
        return false;
    ByteReader in(fixed, sizeof fixed);
    zipformat::LocalHeader header;
    if (!zipformat::parseLocalHeader(in, header))
        return false;
    m_offset = m_entry.relativeOffset + zipformat::LocalHeaderSize + header.nameLength + header.extraLength;
    m_remaining = m_entry.compressedSize;
    if (m_entry.compressionMethod == 8) {
        m_inflater = std::make_unique<RawInflater>();
        m_input.resize(InputSize);
    }
    return true;
}

bool PieceDecoder::readInput(unsigned char* buffer, std::size_t size) {
    if (!m_source.readExactAt(*m_offset, buffer, size))
        return false;
    *m_offset += size;
    m_remaining -= size;
    return true;
}

PieceDecoder::State PieceDecoder::next(std::vector<unsigned char>& out, std::size_t limit) {
    if (m_state != State::More || (!m_offset && !start())) {
        out.clear();
        return m_state = m_state == State::More ? State::Unsure : m_state;
    }
    out.resize(limit); // a reused buffer is not cleared first: what it held is overwritten
    std::size_t produced = 0;
    const bool ok = m_inflater ? fill(out.data(), limit, produced) : copyStored(out.data(), limit, produced);
    out.resize(produced);
    if (!ok || produced > m_entry.uncompressedSize - m_written)
        return m_state = State::Unsure;
    m_crc = libdeflate_crc32(m_crc, out.data(), produced);
    m_written += produced;
    if (!m_ended)
        return State::More;
    const bool sound = m_written == m_entry.uncompressedSize && m_crc == m_entry.crc32;
    return m_state = sound ? State::Sound : State::Unsure;
}

bool PieceDecoder::copyStored(unsigned char* out, std::size_t limit, std::size_t& produced) {
    produced = static_cast<std::size_t>(std::min<std::uint64_t>(m_remaining, limit));
    if (!readInput(out, produced))
        return false;
    m_ended = m_remaining == 0;
    return true;
}

// Inflates until `limit` bytes came out or the stream ended; false when the data is invalid or
// the entry's data ran out before its stream ended.
bool PieceDecoder::fill(unsigned char* out, std::size_t limit, std::size_t& produced) {
    z_stream& z = m_inflater->stream();
    while (produced < limit && !m_ended) {
        if (z.avail_in == 0 && m_remaining > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_remaining, InputSize));
            if (!readInput(m_input.data(), n))
                return false;
            z.next_in = m_input.data();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = out + produced;
        z.avail_out = static_cast<uInt>(limit - produced);
        const int rc = inflate(&z, Z_NO_FLUSH);
        produced = limit - z.avail_out;
        if (rc == Z_STREAM_END)
            m_ended = true;
        else if (rc == Z_BUF_ERROR ? z.avail_in == 0 && m_remaining == 0 : rc != Z_OK)
            return false;
    }
    return true;
}

} // namespace quorvel
