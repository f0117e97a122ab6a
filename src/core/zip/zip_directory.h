#pragma once

#include "core/zip/archive_file.h"
#include "core/zip/sorted_zip.h"
#include "core/zip/zip_types.h"

#include <cstdint>
#include <functional>
#include <optional>

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

// Replaces rebuilt entries by the central records that describe the same local header.
void completeFromCentral(TSortedZip& rebuilt, const TSortedZip& central);

} // namespace quorvel::zipdirectory
