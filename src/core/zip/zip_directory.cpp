#include "core/zip/zip_directory.h"

#include "core/zip/byte_reader.h"
#include "core/zip/read_window.h"
#include "core/zip/zip_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

namespace quorvel::zipdirectory {

using namespace zipformat;

namespace {

constexpr std::size_t WindowSize = 256 * 1024;
constexpr std::size_t MaxCentralRecord = CentralHeaderSize + 3 * 65535;
constexpr std::uint64_t ScanTickBytes = 10240;
constexpr std::uint32_t MaxDiskNumber = 999;

bool readZip64End(const ArchiveFile& file, std::uint64_t endPos, TEndCentral& end) {
    if (endPos < Zip64LocatorSize)
        return false;
    unsigned char locator[Zip64LocatorSize];
    if (!file.readExactAt(endPos - Zip64LocatorSize, locator, sizeof locator))
        return false;
    ByteReader loc(locator, sizeof locator);
    if (loc.u32() != Zip64LocatorSignature)
        return false;
    loc.u32();
    std::uint64_t recordPos = loc.u64();
    unsigned char record[Zip64EndSize];
    if (recordPos >= endPos || !file.readExactAt(recordPos, record, sizeof record))
        return false;
    ByteReader in(record, sizeof record);
    if (in.u32() != Zip64EndSignature)
        return false;
    in.u64();
    in.u16();
    in.u16();
    end.thisDisk = in.u32();
    end.centralDisk = in.u32();
    end.entriesThisDisk = in.u64();
    end.totalEntries = in.u64();
    end.centralSize = in.u64();
    end.centralOffset = in.u64();
    end.blockStart = recordPos;
    return in.ok();
}

bool plausible(const TEndCentral& end, std::uint64_t fileSize) {
    (void)fileSize;
    return end.thisDisk <= MaxDiskNumber && end.centralDisk <= MaxDiskNumber && end.thisDisk >= end.centralDisk &&
           end.centralOffset <= static_cast<std::uint64_t>(INT64_MAX);
}

} // namespace

std::optional<TEndCentral> findEndRecord(const ArchiveFile& file) {
    std::uint64_t fileSize = file.size();
    if (fileSize < EndRecordSize)
        return std::nullopt;
    std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, EndSearchSize));
    std::uint64_t tailStart = fileSize - tailSize;
    std::vector<unsigned char> tail(tailSize);
    if (!file.readExactAt(tailStart, tail.data(), tailSize))
        return std::nullopt;
    for (std::size_t pos = tailSize - EndRecordSize + 1; pos-- > 0;) {
        if (tail[pos] != 'P' || tail[pos + 1] != 'K' || tail[pos + 2] != 5 || tail[pos + 3] != 6)
            continue;
        ByteReader in(tail.data() + pos, tailSize - pos);
        TEndCentral end;
        end.signature = in.u32();
        end.thisDisk = in.u16();
        end.centralDisk = in.u16();
        end.entriesThisDisk = in.u16();
        end.totalEntries = in.u16();
        end.centralSize = in.u32();
        end.centralOffset = in.u32();
        std::uint16_t declared = in.u16();
        std::size_t available = std::min<std::size_t>(declared, in.remaining());
        end.comment.assign(in.bytes(available));
        end.commentLength = static_cast<std::uint16_t>(available);
        end.foundAt = tailStart + pos;
        end.blockStart = end.foundAt;
        TEndCentral zip64 = end;
        if (readZip64End(file, end.foundAt, zip64))
            end = zip64;
        if (plausible(end, fileSize))
            return end;
    }
    return std::nullopt;
}

std::uint64_t centralStart(const ArchiveFile& file, const TEndCentral& end) {
    unsigned char sig[4];
    auto isCentral = [&](std::uint64_t at) {
        return file.readExactAt(at, sig, 4) && ByteReader(sig, 4).u32() == CentralSignature;
    };
    if (end.totalEntries == 0 || isCentral(end.centralOffset))
        return end.centralOffset;
    if (end.blockStart >= end.centralSize && isCentral(end.blockStart - end.centralSize))
        return end.blockStart - end.centralSize;
    return end.centralOffset;
}

bool readCentralDirectory(const ByteSource& file, std::uint64_t start, const TEndCentral& end, bool oemConvert,
                          TSortedZip& out, std::uint64_t limit) {
    ReadWindow window(file, WindowSize); // large directories are never read whole
    // Bytes put in front of the archive move every offset; a cut-off archive moves none.
    std::uint64_t bias = start > end.centralOffset ? start - end.centralOffset : 0;
    std::uint64_t pos = start;
    // Room for every record the directory's size can hold, so a large directory is not copied as it grows.
    out.reserve(out.size() +
                static_cast<std::size_t>(std::min<std::uint64_t>(
                    end.totalEntries,
                    std::min<std::uint64_t>(end.centralSize, limit - std::min(limit, start)) / CentralHeaderSize)));
    // Writers that know no Zip64 let the 16-bit count wrap past 65535: records that the directory's
    // size still covers are read on, or an update would drop every entry beyond the count.
    auto moreRecords = [&] {
        if (pos - start >= end.centralSize || end.centralSize - (pos - start) < CentralHeaderSize)
            return false;
        const unsigned char* sig = window.at(pos, 4);
        return sig && ByteReader(sig, 4).u32() == CentralSignature;
    };
    for (std::uint64_t i = 0; i < end.totalEntries || moreRecords(); ++i) {
        const unsigned char* fixed = window.at(pos, CentralHeaderSize);
        if (!fixed)
            return false;
        ByteReader lengths(fixed + 28, 6);
        std::size_t recordSize = CentralHeaderSize + lengths.u16() + lengths.u16();
        recordSize += lengths.u16();
        if (pos + recordSize > limit)
            return false; // records never reach into the end record
        const unsigned char* record = window.at(pos, std::min(recordSize, MaxCentralRecord));
        if (!record)
            return false;
        ByteReader in(record, recordSize);
        TZipHeaderInfo entry;
        if (!parseCentralRecord(in, entry, oemConvert))
            return false;
        entry.centralOffset = pos;
        entry.relativeOffset += bias;
        out.add(std::move(entry));
        pos += recordSize;
    }
    return true;
}

namespace {

std::optional<std::uint64_t> findHeaderSignature(const ArchiveFile& file, std::uint64_t from, bool centralToo,
                                                 const std::function<void()>& tick) {
    constexpr std::size_t Chunk = 64 * 1024;
    std::vector<unsigned char> buffer(Chunk + 3);
    std::uint64_t ticked = from;
    for (std::uint64_t pos = from; pos + 4 <= file.size(); pos += Chunk) {
        std::size_t got = file.readAt(pos, buffer.data(), buffer.size());
        for (std::size_t i = 0; i + 4 <= got; ++i) {
            if (buffer[i] != 'P' || buffer[i + 1] != 'K')
                continue;
            if ((buffer[i + 2] == 3 && buffer[i + 3] == 4) || (centralToo && buffer[i + 2] == 1 && buffer[i + 3] == 2))
                return pos + i;
        }
        if (tick && pos - ticked >= ScanTickBytes) {
            tick();
            ticked = pos;
        }
    }
    return std::nullopt;
}

// A streamed entry (sizes after the data): the data descriptor just before the next header.
// False when no descriptor there agrees with the data's length.
bool readDescriptorBefore(const ArchiveFile& file, std::uint64_t dataStart, std::uint64_t next, TZipHeaderInfo& e) {
    for (std::size_t size : {16u, 24u, 12u}) {
        if (next < dataStart + size)
            continue;
        unsigned char buf[24];
        if (!file.readExactAt(next - size, buf, size))
            continue;
        ByteReader in(buf, size);
        if (size != 12 && in.u32() != DescriptorSignature)
            continue;
        std::uint32_t crc = in.u32();
        std::uint64_t compressed = size == 24 ? in.u64() : in.u32();
        std::uint64_t uncompressed = size == 24 ? in.u64() : in.u32();
        if (compressed == next - size - dataStart) {
            e.crc32 = crc;
            e.compressedSize = compressed;
            e.uncompressedSize = uncompressed;
            return true;
        }
    }
    return false;
}

// One entry read from its local header; `next` is where the following header is looked for, and
// `whole` tells whether all of its data lies in the file.
struct LocalEntry {
    TZipHeaderInfo entry;
    std::uint64_t next = 0;
    bool whole = false;
};

std::optional<LocalEntry> readLocalEntry(const ArchiveFile& file, std::uint64_t pos, bool oemConvert,
                                         const std::function<void()>& tick) {
    unsigned char fixed[LocalHeaderSize];
    if (!file.readExactAt(pos, fixed, sizeof fixed))
        return std::nullopt;
    LocalHeader h;
    ByteReader in(fixed, sizeof fixed);
    if (!parseLocalHeader(in, h))
        return std::nullopt;
    std::string nameAndExtra(h.nameLength + h.extraLength, '\0');
    if (!file.readExactAt(pos + LocalHeaderSize, nameAndExtra.data(), nameAndExtra.size()))
        return std::nullopt;
    std::string_view raw(nameAndExtra.data(), h.nameLength);
    LocalEntry local;
    TZipHeaderInfo& e = local.entry;
    e.versionNeeded = h.versionNeeded;
    e.versionMadeBy = static_cast<std::uint16_t>(((isValidUtf8(raw) ? HostUnix : HostMsDos) << 8) | 20);
    e.flag = h.flag;
    e.compressionMethod = h.method;
    e.modifiedDateTime = h.dateTime;
    e.crc32 = h.crc;
    e.compressedSize = h.compressedSize;
    e.uncompressedSize = h.uncompressedSize;
    e.fileNameLength = h.nameLength;
    e.localExtraLength = h.extraLength;
    e.relativeOffset = pos;
    setEntryName(e, raw, oemConvert);
    applyZip64Extra(std::string_view(nameAndExtra).substr(h.nameLength), e.uncompressedSize, e.compressedSize, nullptr,
                    nullptr);
    std::uint64_t dataStart = pos + LocalHeaderSize + nameAndExtra.size();
    // Sizes come from the file: the next header is never looked for before this one or past the end.
    std::uint64_t left = file.size() > dataStart ? file.size() - dataStart : 0;
    local.whole = e.compressedSize <= left;
    std::uint64_t skip = e.compressedSize + (e.hasDataDescriptor() ? 16 : 0);
    local.next = skip < e.compressedSize || skip >= left ? file.size() : dataStart + skip;
    if (e.hasDataDescriptor() && e.compressedSize == 0) {
        auto following = findHeaderSignature(file, dataStart, true, tick);
        local.next = following.value_or(file.size());
        local.whole = readDescriptorBefore(file, dataStart, local.next, e);
    }
    return local;
}

// Central records right after the last entry: what is left of a directory whose end was cut off.
void completeFromTrailingCentral(const ArchiveFile& file, std::uint64_t from, bool oemConvert, TSortedZip& out) {
    unsigned char sig[4];
    if (!file.readExactAt(from, sig, 4) || ByteReader(sig, 4).u32() != CentralSignature)
        return;
    TEndCentral open;
    open.totalEntries = UINT64_MAX; // as many as can be read
    open.centralOffset = from;
    TSortedZip central;
    readCentralDirectory(file, from, open, oemConvert, central, file.size());
    completeFromCentral(out, central);
}

} // namespace

bool rebuildFromLocalHeaders(const ArchiveFile& file, std::uint64_t start, bool oemConvert, TSortedZip& out,
                             const std::function<void()>& tick) {
    std::optional<std::uint64_t> at = findHeaderSignature(file, start, false, tick);
    std::uint64_t afterLast = 0;
    while (at) {
        std::optional<LocalEntry> local = readLocalEntry(file, *at, oemConvert, tick);
        if (!local)
            break;
        std::uint64_t next = local->next;
        if (local->whole) {
            out.add(std::move(local->entry));
            afterLast = next;
        }
        unsigned char sig[4];
        bool headerThere =
            next < file.size() && file.readExactAt(next, sig, 4) && ByteReader(sig, 4).u32() == LocalSignature;
        at = headerThere ? std::optional<std::uint64_t>(next)
                         : (next < file.size() ? findHeaderSignature(file, next, false, tick) : std::nullopt);
    }
    if (!out.empty())
        completeFromTrailingCentral(file, afterLast, oemConvert, out);
    return !out.empty();
}

void completeFromCentral(TSortedZip& rebuilt, const TSortedZip& central) {
    std::map<std::uint64_t, const TZipHeaderInfo*> byOffset;
    for (const TZipHeaderInfo& e : central)
        byOffset[e.relativeOffset] = &e;
    for (TZipHeaderInfo& e : rebuilt) {
        auto it = byOffset.find(e.relativeOffset);
        // A record that disagrees with the data found in the file would make the entry unreadable.
        if (it != byOffset.end() && it->second->compressedSize == e.compressedSize && it->second->crc32 == e.crc32)
            e = *it->second;
    }
}

std::uint64_t minimalEndOf(const TZipHeaderInfo& entry) {
    std::uint64_t span = LocalHeaderSize + std::min<std::uint64_t>(entry.compressedSize, UINT64_MAX - LocalHeaderSize);
    return entry.relativeOffset > UINT64_MAX - span ? UINT64_MAX : entry.relativeOffset + span;
}

// One pass over the entries in physical order: only a neighbour can begin inside an entry's bytes
// without the entry before it doing so too.
std::optional<std::pair<std::size_t, std::size_t>>
findOverlap(const TSortedZip& physical, std::uint64_t entriesEnd,
            const std::function<bool(const TZipHeaderInfo&)>& hasHeader) {
    for (std::size_t i = 1; i < physical.size(); ++i) {
        const TZipHeaderInfo& before = physical[i - 1];
        const TZipHeaderInfo& entry = physical[i];
        if (before.diskNumberStart != entry.diskNumberStart || entry.relativeOffset >= minimalEndOf(before))
            continue; // offsets count from the start of each disk
        if (minimalEndOf(before) > entriesEnd)
            continue; // a size that runs past the entries: that entry is refused when it is read
        if (hasHeader(before) && hasHeader(entry))
            return std::make_pair(i - 1, i);
    }
    return std::nullopt;
}

} // namespace quorvel::zipdirectory
