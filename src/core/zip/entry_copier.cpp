#include "core/zip/entry_copier.h"

#include "core/zip/byte_reader.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <string>

namespace quorvel {

using namespace zipformat;

EntryCopier::EntryCopier(const ArchiveFile& source, std::uint64_t dataLimit, Progress progress)
    : m_limit(std::min(dataLimit, source.size())), m_progress(std::move(progress)), m_window(source, WindowSize) {}

void EntryCopier::damaged(const TZipHeaderInfo& entry, const std::string& what) const {
    throw EBadZipFile(std::string(EBadZipFile::Text) + " (" + entry.storedName() + ": " + what + ")",
                      entry.storedName());
}

void EntryCopier::copy(ZipOutput& out, TZipHeaderInfo& entry) {
    const std::uint64_t at = entry.relativeOffset;
    LocalHeader old;
    const unsigned char* fixed =
        at <= m_limit && m_limit - at >= LocalHeaderSize ? m_window.at(at, LocalHeaderSize) : nullptr;
    ByteReader in(fixed, fixed ? LocalHeaderSize : 0);
    if (!fixed || !parseLocalHeader(in, old))
        damaged(entry, "no local header where the directory says");
    std::uint64_t dataStart = at + LocalHeaderSize + old.nameLength + old.extraLength;
    const unsigned char* extra =
        dataStart <= m_limit ? m_window.at(dataStart - old.extraLength, old.extraLength) : nullptr;
    if (!extra)
        damaged(entry, "its local header runs past the entries");
    std::string localExtra(reinterpret_cast<const char*>(extra), old.extraLength);
    if (entry.compressedSize > m_limit - dataStart)
        damaged(entry, "its data runs past the entries");

    bool zip64 = old.compressedSize == Max32 || old.uncompressedSize == Max32 || entry.compressedSize >= Max32 ||
                 entry.uncompressedSize >= Max32;
    std::uint64_t length = entry.compressedSize;
    if (entry.hasDataDescriptor())
        length += descriptorLength(entry, dataStart + entry.compressedSize, zip64);

    TZipHeaderInfo copied = entry;
    std::string others = withoutExtraField(localExtra, Zip64ExtraId);
    std::size_t headerSize = encodeLocalHeader(copied, zip64, others).size();
    out.keepTogether(headerSize);
    copied.relativeOffset = out.position();
    copied.diskNumberStart = out.disk();
    if ((zip64 || needsZip64(copied)) && copied.versionNeeded < 45)
        copied.versionNeeded = 45;
    std::string header = encodeLocalHeader(copied, zip64, others);
    copied.localExtraLength =
        static_cast<std::uint16_t>(header.size() - LocalHeaderSize - entryNameBytes(copied).size());
    out.write(header.data(), header.size());

    for (std::uint64_t done = 0; done < length;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length - done, WindowSize));
        const unsigned char* data = m_window.at(dataStart + done, n);
        if (!data)
            damaged(entry, "the archive ended early");
        out.write(data, n);
        done += n;
        m_copied += n;
        if (m_progress)
            m_progress(m_copied);
    }
    entry = std::move(copied);
}

// A data descriptor follows the data of a streamed entry: with or without its signature, with
// 32-bit or (Zip64) 64-bit sizes. Only one whose CRC agrees with the directory is taken as such.
std::uint64_t EntryCopier::descriptorLength(const TZipHeaderInfo& entry, std::uint64_t dataEnd, bool zip64) {
    std::size_t available = static_cast<std::size_t>(std::min<std::uint64_t>(24, m_limit - dataEnd));
    const unsigned char* bytes = m_window.at(dataEnd, available);
    if (!bytes)
        return 0;
    ByteReader in(bytes, available);
    std::uint32_t first = in.u32();
    std::uint32_t second = in.u32();
    std::size_t sizes = zip64 ? 16 : 8;
    if (in.ok() && first == DescriptorSignature && second == entry.crc32 && available >= 8 + sizes)
        return 8 + sizes;
    if (available >= 4 + sizes && ByteReader(bytes, 4).u32() == entry.crc32)
        return 4 + sizes;
    return 0;
}

} // namespace quorvel
