#pragma once

#include "core/zip/byte_source.h"
#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

// Proves an unencrypted entry sound the quick way: its local header and data in one large read,
// inflated as a whole buffer when the entry is small, in large chunks otherwise, with a fast CRC.
// It only ever says "sound": bad data, an output longer or shorter than declared, a wrong CRC or a
// short archive all answer "unsure", and the caller checks the entry again with the streaming
// decoder, which words the fault exactly. Faults are rare, so checking a faulty entry twice costs
// nothing worth saving. Buffers are kept between entries: one QuickEntryCheck per thread.
class QuickEntryCheck {
public:
    // The largest entry (compressed / uncompressed) inflated as one buffer; bigger ones stream.
    static constexpr std::uint64_t WholeCompressedLimit = 4 << 20;
    static constexpr std::uint64_t WholeUncompressedLimit = 8 << 20;
    static constexpr std::size_t ChunkSize = 256 * 1024;

    QuickEntryCheck();
    ~QuickEntryCheck();
    QuickEntryCheck(const QuickEntryCheck&) = delete;
    QuickEntryCheck& operator=(const QuickEntryCheck&) = delete;

    // Stored with equal sizes or deflated, not encrypted: see PieceDecoder::handles.
    static bool applies(const TZipHeaderInfo& entry);
    // Small enough to be inflated as one buffer.
    static bool decodesWhole(const TZipHeaderInfo& entry);
    // The entry's CRC when its data is sound; nullopt when the streaming decoder must judge.
    std::optional<std::uint32_t> verify(const ByteSource& source, const TZipHeaderInfo& entry);
    // Like verify for an entry that decodesWhole, and hands over the content in `output` (which
    // may be a buffer used before: it is not cleared first, its content is only valid when sound).
    std::optional<std::uint32_t> decodeWhole(const ByteSource& source, const TZipHeaderInfo& entry,
                                             std::vector<unsigned char>& output);

private:
    std::optional<std::uint32_t> verifyWhole(const ByteSource& source, const TZipHeaderInfo& entry);
    std::optional<std::uint32_t> verifyChunked(const ByteSource& source, const TZipHeaderInfo& entry);
    const unsigned char* readWhole(const ByteSource& source, const TZipHeaderInfo& entry);
    std::optional<std::uint32_t> inflateWhole(const unsigned char* data, const TZipHeaderInfo& entry,
                                              std::vector<unsigned char>& output);

    struct Engines;
    std::unique_ptr<Engines> m_engines;
    std::vector<unsigned char> m_input;
    std::vector<unsigned char> m_output;
};

} // namespace quorvel
