#include "core/restore/archive_list_sort.h"

#include "core/util/strings.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <utility>

namespace quorvel {

namespace {

std::optional<std::uint64_t> sizeOf(const std::string& cell) {
    const std::string text = trim(cell);
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

bool greater(const ArchiveRow& a, const ArchiveRow& b, ArchiveSortKey key) {
    switch (key) {
    case ArchiveSortKey::Name:
        return a[ArchiveColumnName] > b[ArchiveColumnName];
    case ArchiveSortKey::Size:
        return sizeOf(a[ArchiveColumnSize]) > sizeOf(b[ArchiveColumnSize]);
    case ArchiveSortKey::Date:
        return parseDateTime(a[ArchiveColumnDate]) > parseDateTime(b[ArchiveColumnDate]);
    }
    return false;
}

// The key of an entry row as the archive list compares its cells.
bool entryLess(const EntryRow& a, const EntryRow& b, EntrySortKey key) {
    switch (key) {
    case EntrySortKey::Name:
        return a[EntryColumnName] < b[EntryColumnName];
    case EntrySortKey::Size:
        return sizeOf(a[EntryColumnSize]) < sizeOf(b[EntryColumnSize]);
    case EntrySortKey::Path:
        return a[EntryColumnPath] < b[EntryColumnPath];
    case EntrySortKey::Date:
        return parseDateTime(a[EntryColumnDate]) < parseDateTime(b[EntryColumnDate]);
    }
    return false;
}

} // namespace

ArchiveSortOrder ArchiveSortOrder::fromStored(int byField, int sort) {
    ArchiveSortOrder order;
    order.key = byField == 0 ? ArchiveSortKey::Name : byField == 1 ? ArchiveSortKey::Size : ArchiveSortKey::Date;
    order.direction = sort == 0 ? SortDirection::Ascending : SortDirection::Descending;
    return order;
}

void SortArchiveList(std::vector<ArchiveRow>& rows, ArchiveSortOrder order) {
    if (rows.empty() || rows.front()[ArchiveColumnName].empty())
        return;
    const bool ascending = order.direction == SortDirection::Ascending;
    for (size_t target = rows.size() - 1; target >= 1; --target) {
        for (size_t earlier = 0; earlier < target; ++earlier) {
            const bool earlierGreater = greater(rows[earlier], rows[target], order.key);
            if (earlierGreater == ascending)
                std::swap(rows[earlier], rows[target]);
        }
    }
}

EntrySortOrder EntrySortOrder::fromStored(int byField, int sort) {
    EntrySortOrder order;
    if (byField >= 0 && byField <= 3)
        order.key = static_cast<EntrySortKey>(byField);
    order.direction = sort == 1 ? SortDirection::Descending : SortDirection::Ascending;
    return order;
}

void SortEntryList(std::vector<EntryRow>& rows, EntrySortOrder order) {
    if (!order.key)
        return;
    const EntrySortKey key = *order.key;
    if (order.direction == SortDirection::Ascending)
        std::stable_sort(rows.begin(), rows.end(),
                         [key](const EntryRow& a, const EntryRow& b) { return entryLess(a, b, key); });
    else
        std::stable_sort(rows.begin(), rows.end(),
                         [key](const EntryRow& a, const EntryRow& b) { return entryLess(b, a, key); });
}

} // namespace quorvel
