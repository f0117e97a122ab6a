#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

class TZipReader;

// The cells of one row of the entries list, by column.
enum EntryColumn { EntryColumnName = 0, EntryColumnSize = 1, EntryColumnPath = 2, EntryColumnDate = 3 };
using EntryRow = std::array<std::string, 4>;

// The size column of an entry: whole kilobytes, remainder dropped, but never less than 1, so
// that an entry never looks empty.
std::uint64_t entrySizeKb(std::uint64_t bytes);

// Reads the directory of the archive `path` with `reader` and returns one row per entry in the
// reader's order: the stored name without path, the size in kilobytes, the stored path (empty
// or ending in "/") and the date-time (time left out at midnight). An archive the reader cannot
// read raises the reader's error; an incomplete one is first put to the reader's
// incomplete-archive handler.
std::vector<EntryRow> ListArchiveEntries(TZipReader& reader, const std::string& path);
// The rows of the directory the reader holds now.
std::vector<EntryRow> entryRowsOf(const TZipReader& reader);

// The name an entry is stored under, as the restore and delete commands hand it to the zip
// engine: its path ("/" appended when missing) followed by its name. The cells are used exactly
// as the archive holds them, so that names with leading or trailing blanks still match.
std::string entryStoredName(const EntryRow& row);

// The stored names of the rows first..last (inclusive, from top to bottom).
std::vector<std::string> entryStoredNames(const std::vector<EntryRow>& rows, std::size_t first, std::size_t last);

} // namespace quorvel
