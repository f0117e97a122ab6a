#include "core/zip/quick_entry_check.h"

#include "core/zip/byte_reader.h"
#include "core/zip/piece_decoder.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <libdeflate.h>
#include <new>

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

    Engines() : whole(libdeflate_alloc_decompressor()) {
        if (whole == nullptr)
            throw std::bad_alloc();
    }
    ~Engines() { libdeflate_free_decompressor(whole); }
    Engines(const Engines&) = delete;
    Engines& operator=(const Engines&) = delete;
};

QuickEntryCheck::QuickEntryCheck() : m_engines(std::make_unique<Engines>()) {}
QuickEntryCheck::~QuickEntryCheck() = default;

bool QuickEntryCheck::applies(const TZipHeaderInfo& entry) {
    return PieceDecoder::handles(entry);
}

std::optional<std::uint32_t> QuickEntryCheck::verify(const ByteSource& source, const TZipHeaderInfo& entry) {
    if (!applies(entry))
        return std::nullopt;
    if (decodesWhole(entry))
        return verifyWhole(source, entry);
    return verifyChunked(source, entry);
}

bool QuickEntryCheck::decodesWhole(const TZipHeaderInfo& entry) {
    return entry.compressedSize <= WholeCompressedLimit && entry.uncompressedSize <= WholeUncompressedLimit;
}

std::optional<std::uint32_t> QuickEntryCheck::decodeWhole(const ByteSource& source, const TZipHeaderInfo& entry,
                                                          std::vector<unsigned char>& output) {
    if (!applies(entry) || !decodesWhole(entry))
        return std::nullopt;
    const unsigned char* data = readWhole(source, entry);
    if (data == nullptr)
        return std::nullopt;
    if (entry.compressionMethod == 8)
        return inflateWhole(data, entry, output);
    output.assign(data, data + entry.compressedSize);
    return crcOf(0, data, output.size()) == entry.crc32 ? std::optional<std::uint32_t>(entry.crc32) : std::nullopt;
}

std::optional<std::uint32_t> QuickEntryCheck::verifyWhole(const ByteSource& source, const TZipHeaderInfo& entry) {
    const unsigned char* data = readWhole(source, entry);
    if (data == nullptr)
        return std::nullopt;
    if (entry.compressionMethod == 8)
        return inflateWhole(data, entry, m_output);
    return crcOf(0, data, static_cast<std::size_t>(entry.compressedSize)) == entry.crc32
               ? std::optional<std::uint32_t>(entry.crc32)
               : std::nullopt;
}

// The entry's data, read with its local header in one read into m_input; null when no local
// header is where the directory says or the archive ends inside the entry.
const unsigned char* QuickEntryCheck::readWhole(const ByteSource& source, const TZipHeaderInfo& entry) {
    const std::size_t compressed = static_cast<std::size_t>(entry.compressedSize);
    const std::size_t headerGuess =
        zipformat::LocalHeaderSize + entry.fileNameLength + entry.centralExtraLength + ExtraSlack;
    if (m_input.size() < headerGuess + compressed)
        m_input.resize(headerGuess + compressed);
    std::size_t got = source.readAt(entry.relativeOffset, m_input.data(), headerGuess + compressed);
    ByteReader in(m_input.data(), got);
    zipformat::LocalHeader header;
    if (!zipformat::parseLocalHeader(in, header))
        return nullptr;
    const std::size_t start = zipformat::LocalHeaderSize + header.nameLength + header.extraLength;
    if (start + compressed > got) {
        // A local extra field longer than the central one: fetch the rest of the data.
        if (got < headerGuess + compressed)
            return nullptr; // the archive ends inside the entry
        if (m_input.size() < start + compressed)
            m_input.resize(start + compressed);
        if (!source.readExactAt(entry.relativeOffset + got, m_input.data() + got, start + compressed - got))
            return nullptr;
    }
    return m_input.data() + start;
}

// Inflates a deflated entry's data whole into `output`, which ends up holding exactly the declared
// size; the CRC when the data inflates to that size with that CRC.
std::optional<std::uint32_t> QuickEntryCheck::inflateWhole(const unsigned char* data, const TZipHeaderInfo& entry,
                                                           std::vector<unsigned char>& output) {
    const std::size_t expected = static_cast<std::size_t>(entry.uncompressedSize);
    // Never empty, so that the decompressor is given a real buffer; the size is set again below.
    output.resize(std::max<std::size_t>(expected, 1));
    std::size_t used = 0;
    std::size_t produced = 0;
    // The output buffer holds exactly the declared size: data that would outgrow it fails here.
    libdeflate_result rc =
        libdeflate_deflate_decompress_ex(m_engines->whole, data, static_cast<std::size_t>(entry.compressedSize),
                                         output.data(), expected, &used, &produced);
    output.resize(expected);
    if (rc != LIBDEFLATE_SUCCESS || produced != expected)
        return std::nullopt;
    std::uint32_t crc = crcOf(0, output.data(), produced);
    return crc == entry.crc32 ? std::optional<std::uint32_t>(crc) : std::nullopt;
}

std::optional<std::uint32_t> QuickEntryCheck::verifyChunked(const ByteSource& source, const TZipHeaderInfo& entry) {
    PieceDecoder decoder(source, entry);
    PieceDecoder::State state;
    while ((state = decoder.next(m_output, ChunkSize)) == PieceDecoder::State::More)
        ;
    return state == PieceDecoder::State::Sound ? std::optional<std::uint32_t>(decoder.crc()) : std::nullopt;
}

} // namespace quorvel
