#pragma once

#include "core/zip/archive_file.h"
#include "core/zip/sorted_zip.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace quorvel::zipdirectory {

// The end record of a file: searched backwards over the last 65557 bytes, disk numbers checked,
// Zip64 values taken from the Zip64 end record when its locator precedes the record.
std::optional<TEndCentral> findEndRecord(const ArchiveFile& file);

// Where the central directory really starts: the recorded offset, or, when bytes were put in front
// of the archive, the position just before the end records.
std::uint64_t centralStart(const ArchiveFile& file, const TEndCentral& end);

// Reads the central records from `start`: `end.totalEntries`, and on while the directory's size
// covers more (a count that wrapped past 65535); returns true when all were read and none reaches
// past `limit` (where the end records begin). Records read before a failure are in `out` either way.
bool readCentralDirectory(const ByteSource& file, std::uint64_t start, const TEndCentral& end, bool oemConvert,
                          TSortedZip& out, std::uint64_t limit);

// Builds entries from the local headers found from `start` on, keeping those whose data lies whole
// in the file, and completes them from central records that follow the data (a directory whose end
// was cut off); false when no whole entry was found. `tick` is called every 10240 bytes scanned.
bool rebuildFromLocalHeaders(const ArchiveFile& file, std::uint64_t start, bool oemConvert, TSortedZip& out,
                             const std::function<void()>& tick);

// Where an entry's bytes end at the least: its offset, the fixed local header and its compressed
// data (names and extra fields are left out, as a local name may differ from the directory's in an
// archive that is otherwise sound).
std::uint64_t minimalEndOf(const TZipHeaderInfo& entry);

// The first two entries (indexes into `physical`, which is in physical order) whose bytes overlap:
// two records of one local header, or an entry whose data reaches over the next one's header. Only
// entries that can be extracted count: `hasHeader` says whether a local header really lies at an
// entry's offset (asked only of entries under suspicion, so a sound archive costs no reads), and
// an entry whose data would reach past `entriesEnd` (the directory's start) is damaged and left to
// fail on its own.
std::optional<std::pair<std::size_t, std::size_t>>
findOverlap(const TSortedZip& physical, std::uint64_t entriesEnd,
            const std::function<bool(const TZipHeaderInfo&)>& hasHeader);

// Replaces rebuilt entries by the central records that describe the same local header.
void completeFromCentral(TSortedZip& rebuilt, const TSortedZip& central);

} // namespace quorvel::zipdirectory
