#include "core/zip/zip_format.h"

#include "core/util/path_parts.h"
#include "core/zip/byte_writer.h"
#include "core/zip/cp437.h"

#include <algorithm>

namespace quorvel::zipformat {

bool parseLocalHeader(ByteReader& in, LocalHeader& h) {
    if (in.u32() != LocalSignature)
        return false;
    h.versionNeeded = in.u16();
    h.flag = in.u16();
    h.method = in.u16();
    h.dateTime = in.u32();
    h.crc = in.u32();
    h.compressedSize = in.u32();
    h.uncompressedSize = in.u32();
    h.nameLength = in.u16();
    h.extraLength = in.u16();
    return in.ok();
}

void applyZip64Extra(std::string_view extra, std::uint64_t& uncompressed, std::uint64_t& compressed,
                     std::uint64_t* offset, std::uint32_t* disk) {
    ByteReader in(extra);
    while (in.remaining() >= 4) {
        std::uint16_t id = in.u16();
        std::uint16_t size = in.u16();
        std::string_view body = in.bytes(size);
        if (!in.ok())
            return;
        if (id != Zip64ExtraId)
            continue;
        ByteReader field(body);
        if (uncompressed == Max32 && field.remaining() >= 8)
            uncompressed = field.u64();
        if (compressed == Max32 && field.remaining() >= 8)
            compressed = field.u64();
        if (offset && *offset == Max32 && field.remaining() >= 8)
            *offset = field.u64();
        if (disk && *disk == Max16 && field.remaining() >= 4)
            *disk = field.u32();
        return;
    }
}

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n;
    }
    return true;
}

bool needsUtf8Flag(std::string_view text) {
    // A name in a legacy encoding is not UTF-8 and must not claim to be: peers that decode flagged
    // names refuse the whole archive. Unflagged, its bytes are taken as they are.
    bool ascii = std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return !ascii && isValidUtf8(text);
}

void setEntryName(TZipHeaderInfo& entry, std::string_view raw, bool oemConvert) {
    std::string name;
    bool fromDos = entry.hostSystem() == HostMsDos && (entry.flag & FlagUtf8) == 0;
    if (fromDos && oemConvert)
        name = cp437ToUtf8(raw);
    else
        name.assign(raw);
    entry.rawName.assign(raw);
    std::replace(name.begin(), name.end(), '\\', '/');
    entry.filePath = folderPart(name);
    entry.fileName = fileNamePart(name);
    entry.oemConvert = oemConvert;
}

bool parseCentralRecord(ByteReader& in, TZipHeaderInfo& e, bool oemConvert) {
    if (in.u32() != CentralSignature)
        return false;
    e.versionMadeBy = in.u16();
    e.versionNeeded = in.u16();
    e.flag = in.u16();
    e.compressionMethod = in.u16();
    e.modifiedDateTime = in.u32();
    e.crc32 = in.u32();
    e.compressedSize = in.u32();
    e.uncompressedSize = in.u32();
    e.fileNameLength = in.u16();
    e.centralExtraLength = in.u16();
    e.fileCommentLength = in.u16();
    e.diskNumberStart = in.u16();
    e.internalAttributes = in.u16();
    e.externalAttributes = in.u32();
    e.relativeOffset = in.u32();
    std::string_view name = in.bytes(e.fileNameLength);
    std::string_view extra = in.bytes(e.centralExtraLength);
    std::string_view comment = in.bytes(e.fileCommentLength);
    if (!in.ok())
        return false;
    setEntryName(e, name, oemConvert);
    e.centralExtra.assign(extra);
    applyZip64Extra(extra, e.uncompressedSize, e.compressedSize, &e.relativeOffset, &e.diskNumberStart);
    e.rawComment.assign(comment);
    if (e.fileCommentLength > 0) {
        bool fromDos = e.hostSystem() == HostMsDos && (e.flag & FlagUtf8) == 0;
        e.fileComment = fromDos && oemConvert ? cp437ToUtf8(comment) : std::string(comment);
    } else {
        e.fileComment.reset();
    }
    return true;
}

bool needsZip64(const TZipHeaderInfo& e) {
    return e.compressedSize >= Max32 || e.uncompressedSize >= Max32 || e.relativeOffset >= Max32;
}

namespace {

std::uint32_t clip32(std::uint64_t value) {
    return value >= Max32 ? Max32 : static_cast<std::uint32_t>(value);
}

std::string zip64Extra(std::initializer_list<std::uint64_t> values) {
    ByteWriter w;
    w.u16(Zip64ExtraId).u16(values.size() * 8);
    for (std::uint64_t v : values)
        w.u64(v);
    return w.take();
}

} // namespace

std::string entryNameBytes(const TZipHeaderInfo& e) {
    return e.rawName.empty() ? e.storedName() : e.rawName;
}

std::string withoutExtraField(std::string_view extra, std::uint16_t id) {
    std::string kept;
    ByteReader in(extra);
    while (in.remaining() >= 4) {
        std::size_t start = in.position();
        std::uint16_t fieldId = in.u16();
        std::uint16_t size = in.u16();
        in.bytes(size);
        if (!in.ok()) {
            kept.append(extra.substr(start)); // a malformed tail is carried over as it is
            return kept;
        }
        if (fieldId != id)
            kept.append(extra.substr(start, 4 + size));
    }
    kept.append(extra.substr(in.position()));
    return kept;
}

bool hasExtraField(std::string_view extra, std::uint16_t id) {
    ByteReader in(extra);
    while (in.remaining() >= 4) {
        std::uint16_t fieldId = in.u16();
        std::uint16_t size = in.u16();
        in.bytes(size);
        if (in.ok() && fieldId == id)
            return true;
    }
    return false;
}

namespace {

// Joins our Zip64 field with the other fields of an entry; the others are left out rather than
// overflow the 16-bit length.
std::string joinExtra(const std::string& zip64, std::string_view others) {
    if (zip64.size() + others.size() > Max16)
        return zip64;
    return zip64 + std::string(others);
}

} // namespace

std::string encodeLocalHeader(const TZipHeaderInfo& e, bool zip64, std::string_view otherExtra) {
    std::string name = entryNameBytes(e);
    std::string extra =
        joinExtra(zip64 ? zip64Extra({e.uncompressedSize, e.compressedSize}) : std::string(), otherExtra);
    ByteWriter w;
    w.u32(LocalSignature).u16(e.versionNeeded).u16(e.flag).u16(e.compressionMethod).u32(e.modifiedDateTime);
    w.u32(e.crc32);
    w.u32(zip64 ? Max32 : clip32(e.compressedSize)).u32(zip64 ? Max32 : clip32(e.uncompressedSize));
    w.u16(name.size()).u16(extra.size()).bytes(name).bytes(extra);
    return w.take();
}

std::string encodeCentralRecord(const TZipHeaderInfo& e) {
    std::string name = entryNameBytes(e);
    std::string zip64;
    if (needsZip64(e)) {
        ByteWriter z;
        std::uint16_t size = 0;
        for (std::uint64_t v : {e.uncompressedSize, e.compressedSize, e.relativeOffset})
            if (v >= Max32) {
                z.u64(v);
                size += 8;
            }
        zip64 = ByteWriter().u16(Zip64ExtraId).u16(size).bytes(z.data()).take();
    }
    // A copied entry's own Zip64 field described its old place; only ours describes the new one.
    std::string extra = joinExtra(zip64, withoutExtraField(e.centralExtra, Zip64ExtraId));
    std::string comment = e.rawComment.empty() ? e.fileComment.value_or(std::string()) : e.rawComment;
    ByteWriter w;
    w.u32(CentralSignature).u16(e.versionMadeBy).u16(e.versionNeeded).u16(e.flag).u16(e.compressionMethod);
    w.u32(e.modifiedDateTime).u32(e.crc32).u32(clip32(e.compressedSize)).u32(clip32(e.uncompressedSize));
    w.u16(name.size()).u16(extra.size()).u16(comment.size()).u16(e.diskNumberStart).u16(e.internalAttributes);
    w.u32(e.externalAttributes).u32(clip32(e.relativeOffset)).bytes(name).bytes(extra).bytes(comment);
    return w.take();
}

bool endNeedsZip64(const TEndCentral& end) {
    return end.totalEntries >= Max16 || end.entriesThisDisk >= Max16 || end.centralSize >= Max32 ||
           end.centralOffset >= Max32 || end.thisDisk >= Max16 || end.centralDisk >= Max16;
}

std::string encodeEnd(const TEndCentral& end) {
    return encodeEnd(end, end.centralOffset + end.centralSize);
}

std::string encodeEnd(const TEndCentral& end, std::uint64_t zip64EndOffset) {
    ByteWriter w;
    if (endNeedsZip64(end)) {
        w.u32(Zip64EndSignature).u64(Zip64EndSize - 12).u16((HostUnix << 8) | 45).u16(45);
        w.u32(end.thisDisk).u32(end.centralDisk).u64(end.entriesThisDisk).u64(end.totalEntries);
        w.u64(end.centralSize).u64(end.centralOffset);
        w.u32(Zip64LocatorSignature).u32(end.thisDisk).u64(zip64EndOffset).u32(end.thisDisk + 1);
    }
    auto clip16 = [](std::uint64_t v) { return v >= Max16 ? Max16 : v; };
    std::string_view comment(end.comment.data(), std::min(end.comment.size(), MaxCommentSize));
    w.u32(EndSignature).u16(clip16(end.thisDisk)).u16(clip16(end.centralDisk));
    w.u16(clip16(end.entriesThisDisk)).u16(clip16(end.totalEntries));
    w.u32(clip32(end.centralSize)).u32(clip32(end.centralOffset)).u16(comment.size()).bytes(comment);
    return w.take();
}

} // namespace quorvel::zipformat
