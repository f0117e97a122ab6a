#include "core/zip/quick_entry_check.h"

#include "core/zip/byte_reader.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <libdeflate.h>
#include <new>
#include <zlib.h>

namespace quorvel {

namespace {

// Local extra fields usually match the central ones in length; this much more is read along so
// that one read still holds the whole entry when the local one is a little longer.
constexpr std::size_t ExtraSlack = 256;

std::uint32_t crcOf(std::uint32_t crc, const unsigned char* data, std::size_t size) {
    return libdeflate_crc32(crc, data, size);
}

} // namespace

struct QuickEntryCheck::Engines {
    libdeflate_decompressor* whole = nullptr;
    z_stream stream{};
    bool streamReady = false;

    Engines() : whole(libdeflate_alloc_decompressor()) {
        if (whole == nullptr)
            throw std::bad_alloc();
    }
    ~Engines() {
        libdeflate_free_decompressor(whole);
        if (streamReady)
            inflateEnd(&stream);
    }
    Engines(const Engines&) = delete;
    Engines& operator=(const Engines&) = delete;

    z_stream& inflater() {
        if (!streamReady) {
            if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
                throw std::bad_alloc();
            streamReady = true;
        } else {
            inflateReset(&stream);
        }
        return stream;
    }
};

QuickEntryCheck::QuickEntryCheck() : m_engines(std::make_unique<Engines>()) {}
QuickEntryCheck::~QuickEntryCheck() = default;

bool QuickEntryCheck::applies(const TZipHeaderInfo& entry) {
    return !entry.isEncrypted() && (entry.compressionMethod == 0 || entry.compressionMethod == 8);
}

std::optional<std::uint32_t> QuickEntryCheck::verify(const ByteSource& source, const TZipHeaderInfo& entry) {
    if (!applies(entry))
        return std::nullopt;
    // A stored entry's data is its content: a size mismatch is a fault for the decoder to word.
    if (entry.compressionMethod == 0 && entry.compressedSize != entry.uncompressedSize)
        return std::nullopt;
    if (entry.compressedSize <= WholeCompressedLimit && entry.uncompressedSize <= WholeUncompressedLimit)
        return verifyWhole(source, entry);
    return verifyChunked(source, entry);
}

std::optional<std::uint32_t> QuickEntryCheck::verifyWhole(const ByteSource& source, const TZipHeaderInfo& entry) {
    const std::size_t compressed = static_cast<std::size_t>(entry.compressedSize);
    const std::size_t headerGuess =
        zipformat::LocalHeaderSize + entry.fileNameLength + entry.centralExtraLength + ExtraSlack;
    if (m_input.size() < headerGuess + compressed)
        m_input.resize(headerGuess + compressed);
    std::size_t got = source.readAt(entry.relativeOffset, m_input.data(), headerGuess + compressed);
    ByteReader in(m_input.data(), got);
    zipformat::LocalHeader header;
    if (!zipformat::parseLocalHeader(in, header))
        return std::nullopt;
    const std::size_t start = zipformat::LocalHeaderSize + header.nameLength + header.extraLength;
    if (start + compressed > got) {
        // A local extra field longer than the central one: fetch the rest of the data.
        if (got < headerGuess + compressed)
            return std::nullopt; // the archive ends inside the entry
        if (m_input.size() < start + compressed)
            m_input.resize(start + compressed);
        if (!source.readExactAt(entry.relativeOffset + got, m_input.data() + got, start + compressed - got))
            return std::nullopt;
    }
    const unsigned char* data = m_input.data() + start;
    if (entry.compressionMethod == 0)
        return crcOf(0, data, compressed) == entry.crc32 ? std::optional<std::uint32_t>(entry.crc32) : std::nullopt;

    const std::size_t expected = static_cast<std::size_t>(entry.uncompressedSize);
    if (m_output.size() < std::max<std::size_t>(expected, 1))
        m_output.resize(std::max<std::size_t>(expected, 1));
    std::size_t used = 0;
    std::size_t produced = 0;
    // The output buffer holds exactly the declared size: data that would outgrow it fails here.
    libdeflate_result rc = libdeflate_deflate_decompress_ex(m_engines->whole, data, compressed, m_output.data(),
                                                            expected, &used, &produced);
    if (rc != LIBDEFLATE_SUCCESS || produced != expected)
        return std::nullopt;
    std::uint32_t crc = crcOf(0, m_output.data(), produced);
    return crc == entry.crc32 ? std::optional<std::uint32_t>(crc) : std::nullopt;
}

std::optional<std::uint64_t> QuickEntryCheck::dataOffset(const ByteSource& source, const TZipHeaderInfo& entry) {
    unsigned char fixed[zipformat::LocalHeaderSize];
    if (!source.readExactAt(entry.relativeOffset, fixed, sizeof fixed))
        return std::nullopt;
    ByteReader in(fixed, sizeof fixed);
    zipformat::LocalHeader header;
    if (!zipformat::parseLocalHeader(in, header))
        return std::nullopt;
    return entry.relativeOffset + zipformat::LocalHeaderSize + header.nameLength + header.extraLength;
}

std::optional<std::uint32_t> QuickEntryCheck::verifyChunked(const ByteSource& source, const TZipHeaderInfo& entry) {
    std::optional<std::uint64_t> start = dataOffset(source, entry);
    if (!start)
        return std::nullopt;
    m_input.resize(std::max(m_input.size(), ChunkSize));
    m_output.resize(std::max(m_output.size(), ChunkSize));
    const bool deflated = entry.compressionMethod == 8;
    z_stream* z = deflated ? &m_engines->inflater() : nullptr;
    std::uint64_t offset = *start;
    std::uint64_t remaining = entry.compressedSize;
    std::uint64_t written = 0;
    std::uint32_t crc = 0;
    bool ended = !deflated;
    while (remaining > 0 && !(deflated && ended)) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, ChunkSize));
        if (!source.readExactAt(offset, m_input.data(), n))
            return std::nullopt;
        offset += n;
        remaining -= n;
        if (!deflated) {
            crc = crcOf(crc, m_input.data(), n);
            written += n;
            continue;
        }
        z->next_in = m_input.data();
        z->avail_in = static_cast<uInt>(n);
        while (!ended && (z->avail_in > 0 || z->avail_out == 0)) {
            z->next_out = m_output.data();
            z->avail_out = static_cast<uInt>(ChunkSize);
            int rc = inflate(z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
                return std::nullopt;
            std::size_t produced = ChunkSize - z->avail_out;
            if (produced > entry.uncompressedSize - written)
                return std::nullopt;
            crc = crcOf(crc, m_output.data(), produced);
            written += produced;
            ended = rc == Z_STREAM_END;
            if (rc == Z_BUF_ERROR)
                break;
        }
    }
    if (!ended || written != entry.uncompressedSize || crc != entry.crc32)
        return std::nullopt;
    return crc;
}

} // namespace quorvel
