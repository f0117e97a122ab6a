#pragma once

#include "core/zip/byte_reader.h"
#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::zipformat {

constexpr std::uint32_t LocalSignature = 0x04034b50;
constexpr std::uint32_t CentralSignature = 0x02014b50;
constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t Zip64EndSignature = 0x06064b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t DescriptorSignature = 0x08074b50;

constexpr std::size_t LocalHeaderSize = 30;
constexpr std::size_t CentralHeaderSize = 46;
constexpr std::size_t EndRecordSize = 22;
constexpr std::size_t Zip64EndSize = 56;
constexpr std::size_t Zip64LocatorSize = 20;
constexpr std::size_t MaxCommentSize = 65535;
constexpr std::size_t EndSearchSize = MaxCommentSize + EndRecordSize; // 65557

constexpr std::uint16_t Zip64ExtraId = 0x0001;
constexpr std::uint32_t Max32 = 0xFFFFFFFF;
constexpr std::uint16_t Max16 = 0xFFFF;

constexpr std::uint16_t FlagEncrypted = 0x0001;
constexpr std::uint16_t FlagDescriptor = 0x0008;
constexpr std::uint16_t FlagUtf8 = 0x0800;

constexpr std::uint8_t HostMsDos = 0;
constexpr std::uint8_t HostUnix = 3;

// The fixed part of a local header.
struct LocalHeader {
    std::uint16_t versionNeeded = 0;
    std::uint16_t flag = 0;
    std::uint16_t method = 0;
    std::uint32_t dateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
};

// Parses a local header's fixed part; false on a wrong signature or short data.
bool parseLocalHeader(ByteReader& in, LocalHeader& header);
// Applies a Zip64 extra field (local or central) to the sizes and offset that hold the 32-bit sentinel.
void applyZip64Extra(std::string_view extra, std::uint64_t& uncompressed, std::uint64_t& compressed,
                     std::uint64_t* offset, std::uint32_t* disk);

// Parses one central record (fixed part, name, extra, comment); false when it is cut short or its
// signature is wrong.
bool parseCentralRecord(ByteReader& in, TZipHeaderInfo& entry, bool oemConvert);

// Stored names: the raw bytes become UTF-8 (code page 437 for MS-DOS hosts without the UTF-8 flag
// when oemConvert is on), "\" becomes "/", and the name is split into path and file name.
void setEntryName(TZipHeaderInfo& entry, std::string_view raw, bool oemConvert);
// True for non-ASCII text that is valid UTF-8: only such names carry the UTF-8 flag.
bool needsUtf8Flag(std::string_view text);
bool isValidUtf8(std::string_view text);

// The bytes of an entry's stored name: as found in the archive for entries read from one, else the
// UTF-8 path + name.
std::string entryNameBytes(const TZipHeaderInfo& entry);
// An extra field without the blocks of one id (a malformed tail is kept as it is).
std::string withoutExtraField(std::string_view extra, std::uint16_t id);
bool hasExtraField(std::string_view extra, std::uint16_t id);

// Encoding of the records the writer produces. A local header with zip64 carries both sizes in a
// Zip64 extra field, followed by `otherExtra`; a central record carries the Zip64 fields that do not
// fit, followed by the entry's other central extra blocks (an old Zip64 block is never carried).
std::string encodeLocalHeader(const TZipHeaderInfo& entry, bool zip64, std::string_view otherExtra = {});
std::string encodeCentralRecord(const TZipHeaderInfo& entry);
// The end record, preceded by the Zip64 end record and locator when a value does not fit; the
// Zip64 end record is placed at `zip64EndOffset` on the last disk (by default right after the
// central directory).
std::string encodeEnd(const TEndCentral& end);
std::string encodeEnd(const TEndCentral& end, std::uint64_t zip64EndOffset);
bool endNeedsZip64(const TEndCentral& end);
bool needsZip64(const TZipHeaderInfo& entry);

} // namespace quorvel::zipformat
