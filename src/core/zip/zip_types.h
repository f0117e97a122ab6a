#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

// Order in which the reader lists the entries of an archive.
enum TZipSortMode { ByName, ByFileName, ByDirectoryName, ByDate, ByCompressedSize, ByUnCompressedSize, ByRate, ByNone };

// What extraction does when the destination file already exists.
enum TUZOverwriteMode { Prompt, Always, Never, ifNewer, ifOlder };

// How the reader treats an archive whose end record cannot be found.
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad, izAssumeNotAZip };

// Whether an archive is one file, a set of disks, or a set of numbered pieces.
enum TMultiMode { mmNone, mmSpan, mmBlocks };

// Why a file or an entry was left out (argument of OnSkippingFile).
enum TSkipReason { SkipBadPassword, SkipNoOverwrite, SkipCannotOpen, SkipCannotCreate };

// How files already in an archive are treated when files are added to it.
enum TZipAction { zaUpdate, zaReplace, zaFreshen };

// What happens to an existing entry while an archive is updated.
enum TUpdateAction { UpdateReplace, UpdateKeep };

// One archive entry. The numeric fields mirror the central directory record; sizes and offsets are
// 64-bit because archives beyond 4 GiB carry them in Zip64 extra fields.
struct TZipHeaderInfo {
    std::uint16_t versionMadeBy = 20; // high byte: host system (0 MS-DOS, 3 Unix)
    std::uint16_t versionNeeded = 20;
    std::uint16_t flag = 0; // general purpose bits: 0 encrypted, 1-2 level, 3 data descriptor, 11 UTF-8
    std::uint16_t compressionMethod = 8;
    std::uint32_t modifiedDateTime = 0; // MS-DOS: time in the low word, date in the high word, local time
    std::uint32_t crc32 = 0xFFFFFFFF;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t fileNameLength = 0; // bytes of path + name as stored
    std::uint16_t centralExtraLength = 0;
    std::uint16_t localExtraLength = 0;
    std::uint16_t fileCommentLength = 0;
    std::uint32_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 1;
    std::uint32_t externalAttributes = 32; // Unix mode in the high word, MS-DOS attribute bits in the low byte
    std::uint64_t relativeOffset = 0;      // of the local header, on its disk
    std::uint64_t centralOffset = 0;       // of this entry's central record in the archive it was read from

    std::string fileName;                   // without path, UTF-8
    std::string filePath;                   // empty or ending with "/", UTF-8
    std::optional<std::string> fileComment; // none when the entry has no comment
    std::string centralExtra;               // the central extra field as read, kept for copying entries
    // The name and comment bytes exactly as found in the archive (empty for entries written here),
    // so that an entry copied into a new archive keeps its bytes whatever code page it used.
    std::string rawName;
    std::string rawComment;

    bool selected = false;  // chosen for the current operation
    bool oemConvert = true; // names of MS-DOS hosts are code page 437 (copied from OEMConvert)

    bool isEncrypted() const { return (flag & 0x0001) != 0; }
    bool hasDataDescriptor() const { return (flag & 0x0008) != 0; }
    bool isFolder() const { return fileName.empty(); }
    std::uint8_t hostSystem() const { return static_cast<std::uint8_t>(versionMadeBy >> 8); }
    std::string storedName() const { return filePath + fileName; }
};

// The end-of-central-directory record, with the archive comment.
struct TEndCentral {
    std::uint32_t signature = 0x06054b50;
    std::uint32_t thisDisk = 0;
    std::uint32_t centralDisk = 0;
    std::uint64_t entriesThisDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t centralSize = 0;
    std::uint64_t centralOffset = 0;
    std::uint16_t commentLength = 0;
    std::string comment;

    std::uint64_t foundAt = 0;    // offset of the record in the file it was read from
    std::uint64_t blockStart = 0; // where the end records begin: the Zip64 end record, or foundAt
    bool commentChanged = false;  // the comment was set and must be written
};

// Options for archives written in pieces. Volume labels are never read or written on Linux, so
// the disks of a set carry no label to check or write.
struct TMultiZipInfo {
    std::int64_t BlockSize = 1457600;
    std::int64_t FirstBlockSize = 1457600;
    std::int64_t SaveOnFirstDisk = 0;
    bool SaveZipInfoOnFirstDisk = false;
    TMultiMode MultiMode = mmNone;
};

} // namespace quorvel
