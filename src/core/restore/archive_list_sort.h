#pragma once

#include "core/restore/archive_entry_listing.h"
#include "core/restore/archive_folder_listing.h"

#include <optional>

#include <vector>

namespace quorvel {

// The archive list's sort key; the numbers are the column and the stored "By Field" value.
enum class ArchiveSortKey { Name = 0, Size = 1, Date = 2 };
// The numbers are the stored "Sort" value.
enum class SortDirection { Ascending = 0, Descending = 1 };

struct ArchiveSortOrder {
    ArchiveSortKey key = ArchiveSortKey::Date;
    SortDirection direction = SortDirection::Ascending;

    // From the stored settings: "By Field" 0 name, 1 size, anything else date;
    // "Sort" 0 ascending, anything else descending.
    static ArchiveSortOrder fromStored(int byField, int sort);
    int storedByField() const { return static_cast<int>(key); }
    int storedSort() const { return static_cast<int>(direction); }

    bool operator==(const ArchiveSortOrder&) const = default;
};

// Sorts the rows of the archive list (without the heading row) by the key's column; the
// three cells of a row move together. Nothing happens when the first row's name is empty
// (the list shows no archive).
//
// Names compare byte by byte, so "B.zip" comes before "a.zip". Size cells compare as whole
// numbers ("9" before "10"); two archives in the same kilobyte compare equal. Date cells are
// read back as date-times. A cell that does not read as its kind sorts before every one that does.
//
// The order of rows with equal keys is not kept: the rows are ordered by exchanges, for each
// target row from the last to the second, with every earlier row, exchanging the two when
// (ascending) the earlier key is greater or (descending) it is not greater.
void SortArchiveList(std::vector<ArchiveRow>& rows, ArchiveSortOrder order);

// The entries list's sort key, chosen by clicking a column heading; the numbers are the columns
// and the stored "Entries By Field" value.
enum class EntrySortKey { Name = 0, Size = 1, Path = 2, Date = 3 };

struct EntrySortOrder {
    std::optional<EntrySortKey> key; // none: the reader's order, as the list has always been shown
    SortDirection direction = SortDirection::Ascending;

    // "Entries By Field" 0 to 3 is a column, anything else the reader's order; "Entries Sort" 1
    // is descending, anything else ascending.
    static EntrySortOrder fromStored(int byField, int sort);
    int storedByField() const { return key ? static_cast<int>(*key) : -1; }
    int storedSort() const { return static_cast<int>(direction); }

    bool operator==(const EntrySortOrder&) const = default;
};

// Orders the rows of the entries list by the key's column (names and paths byte by byte, sizes
// as whole numbers, dates as date-times, as the archive list compares them); rows with equal
// keys keep the order they had (the reader's, when the rows come straight from it). Without a key
// nothing changes.
void SortEntryList(std::vector<EntryRow>& rows, EntrySortOrder order);

} // namespace quorvel
