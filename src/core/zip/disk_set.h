#pragma once

#include "core/zip/archive_file.h"
#include "core/zip/byte_source.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quorvel {

// The name of piece `number` (1-based) of a set written in numbered pieces: the archive's name
// with its extension replaced by the number in three digits ("backup.zip" -> "backup.002").
std::string numberedPieceName(const std::string& zipName, std::uint32_t number);

// The disks of an archive that spans several files. Numbered pieces (mmBlocks) are opened by
// name. Removable disks (mmSpan) all carry the archive's name; only one is in the drive at a
// time, so any other is asked for, and the answer is the path where it can now be read.
class DiskSet {
public:
    // Asks for disk `number` (1-based); returns its path or raises EUserCanceled.
    using AskForDisk = std::function<std::string(int number)>;

    // `zipName` holds disk `currentDisk`; `lastDisk` is the disk of the end record. With
    // `zipNameIsLast` the last numbered piece is `zipName` itself, whatever it is called.
    DiskSet(TMultiMode mode, std::string zipName, std::uint32_t lastDisk, std::uint32_t currentDisk, bool zipNameIsLast,
            AskForDisk ask);

    std::uint32_t lastDisk() const { return m_lastDisk; }
    // Disk `index` (0-based), asked for or opened when needed; nullptr past the last disk.
    const ArchiveFile* disk(std::uint32_t index);
    // Its size, remembered once a disk was seen, so that moving past it needs no disk change.
    std::uint64_t sizeOf(std::uint32_t index);

private:
    TMultiMode m_mode;
    std::string m_zipName;
    std::uint32_t m_lastDisk;
    std::uint32_t m_current;
    bool m_zipNameIsLast;
    bool m_currentInPlace = true; // the disk in the drive is still readable under zipName
    AskForDisk m_ask;
    std::unique_ptr<ArchiveFile> m_file;
    bool m_fileIsCurrent = false;
    std::map<std::uint32_t, std::uint64_t> m_sizes;
};

// The bytes of a spanned set from the start of one disk on; reading past the end of a disk goes
// on at the start of the next one.
class SpannedSource final : public ByteSource {
public:
    SpannedSource(DiskSet& disks, std::uint32_t firstDisk) : m_disks(disks), m_first(firstDisk) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

private:
    DiskSet& m_disks;
    std::uint32_t m_first;
};

} // namespace quorvel
