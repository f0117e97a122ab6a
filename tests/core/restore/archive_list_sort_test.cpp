#include "core/restore/archive_list_sort.h"

#include <gtest/gtest.h>
#include <random>

using namespace quorvel;

namespace {

std::vector<std::string> column(const std::vector<ArchiveRow>& rows, std::size_t col) {
    std::vector<std::string> cells;
    for (const ArchiveRow& row : rows)
        cells.push_back(row[col]);
    return cells;
}

using Cells = std::vector<std::string>;
constexpr ArchiveSortOrder order(ArchiveSortKey key, SortDirection direction) {
    return {key, direction};
}

} // namespace

TEST(SortArchiveList, NamesCompareByteWiseSoCapitalsComeFirst) {
    std::vector<ArchiveRow> rows{{"a1.zip", "1", "2024-01-01"},
                                 {"B2.zip", "2", "2024-01-02"},
                                 {"b.zip", "3", "2024-01-03"},
                                 {"C.zip", "4", "2024-01-04"}};
    SortArchiveList(rows, order(ArchiveSortKey::Name, SortDirection::Ascending));
    EXPECT_EQ(column(rows, 0), (Cells{"B2.zip", "C.zip", "a1.zip", "b.zip"}));
    EXPECT_EQ(column(rows, 1), (Cells{"2", "4", "1", "3"})); // rows moved whole
    EXPECT_EQ(column(rows, 2), (Cells{"2024-01-02", "2024-01-04", "2024-01-01", "2024-01-03"}));
    SortArchiveList(rows, order(ArchiveSortKey::Name, SortDirection::Descending));
    EXPECT_EQ(column(rows, 0), (Cells{"b.zip", "a1.zip", "C.zip", "B2.zip"}));
}

TEST(SortArchiveList, SizesCompareAsNumbersNotAsText) {
    std::vector<ArchiveRow> rows{{"a", "9", ""}, {"b", "100", ""}, {"c", "0", ""}, {"d", "10", ""}};
    SortArchiveList(rows, order(ArchiveSortKey::Size, SortDirection::Ascending));
    EXPECT_EQ(column(rows, 1), (Cells{"0", "9", "10", "100"}));
    SortArchiveList(rows, order(ArchiveSortKey::Size, SortDirection::Descending));
    EXPECT_EQ(column(rows, 0), (Cells{"b", "d", "a", "c"}));
}

TEST(SortArchiveList, DateDescendingPutsTheNewestFirstAndReadsMidnightDates) {
    std::vector<ArchiveRow> rows{{"mid", "0", "2024-03-01"},
                                 {"newest", "0", "2024-03-01 00:00:01"},
                                 {"oldest", "0", "2023-12-31 23:59:59"},
                                 {"noon", "0", "2024-02-29 12:00:00"}};
    SortArchiveList(rows, order(ArchiveSortKey::Date, SortDirection::Descending));
    EXPECT_EQ(column(rows, 0), (Cells{"newest", "mid", "noon", "oldest"}));
}

TEST(SortArchiveList, EveryKeyAndDirectionGivesAnOrderedListOfTheSameRows) {
    std::mt19937 random(7);
    std::vector<ArchiveRow> rows;
    for (int i = 0; i < 60; ++i) {
        const int day = 1 + static_cast<int>(random() % 28);
        rows.push_back({"n" + std::to_string(random() % 50), std::to_string(random() % 3000),
                        "2024-05-" + std::string(day < 10 ? "0" : "") + std::to_string(day) + " 10:00:00"});
    }
    for (int key = 0; key < 3; ++key) {
        for (int direction = 0; direction < 2; ++direction) {
            std::vector<ArchiveRow> sorted = rows;
            const ArchiveSortOrder o = ArchiveSortOrder::fromStored(key, direction);
            SortArchiveList(sorted, o);
            auto before = [&](const ArchiveRow& a, const ArchiveRow& b) {
                if (key == 1)
                    return std::stoull(a[1]) < std::stoull(b[1]);
                const auto at = static_cast<std::size_t>(key);
                return a[at] < b[at]; // the name and these dates order as text
            };
            for (size_t i = 1; i < sorted.size(); ++i) {
                if (direction == 0)
                    EXPECT_FALSE(before(sorted[i], sorted[i - 1])) << key << " row " << i;
                else
                    EXPECT_FALSE(before(sorted[i - 1], sorted[i])) << key << " row " << i;
            }
            EXPECT_TRUE(std::is_permutation(sorted.begin(), sorted.end(), rows.begin()));
        }
    }
}

TEST(SortArchiveList, AListWithoutArchivesIsLeftAlone) {
    std::vector<ArchiveRow> rows{{"", "", ""}};
    SortArchiveList(rows, order(ArchiveSortKey::Name, SortDirection::Descending));
    EXPECT_EQ(rows, (std::vector<ArchiveRow>{{"", "", ""}}));
    std::vector<ArchiveRow> none;
    SortArchiveList(none, order(ArchiveSortKey::Date, SortDirection::Ascending));
    EXPECT_TRUE(none.empty());
}

TEST(ArchiveSortOrder, StoredNumbersMapOntoKeyAndDirection) {
    EXPECT_EQ(ArchiveSortOrder::fromStored(0, 0), order(ArchiveSortKey::Name, SortDirection::Ascending));
    EXPECT_EQ(ArchiveSortOrder::fromStored(1, 1), order(ArchiveSortKey::Size, SortDirection::Descending));
    EXPECT_EQ(ArchiveSortOrder::fromStored(2, 0), order(ArchiveSortKey::Date, SortDirection::Ascending));
    EXPECT_EQ(ArchiveSortOrder::fromStored(7, 5), order(ArchiveSortKey::Date, SortDirection::Descending));
    EXPECT_EQ(ArchiveSortOrder{}, order(ArchiveSortKey::Date, SortDirection::Ascending)); // the defaults
}

TEST(SortEntryList, SortsByTheClickedColumnAndKeepsTheReadersOrderAmongEquals) {
    const std::vector<EntryRow> reader{{"b.txt", "10", "Data/", "2026-01-02 10:00:00"},
                                       {"a.txt", "9", "Data/", "2026-01-02"},
                                       {"c.txt", "9", "", "2025-12-31 23:59:58"},
                                       {"B.txt", "100", "Data/x/", "2026-01-02 00:00:02"}};
    auto names = [](const std::vector<EntryRow>& rows) {
        std::vector<std::string> all;
        for (const EntryRow& row : rows)
            all.push_back(row[EntryColumnName]);
        return all;
    };
    using Names = std::vector<std::string>;
    auto sorted = [&](std::optional<EntrySortKey> key, SortDirection direction) {
        std::vector<EntryRow> rows = reader;
        SortEntryList(rows, EntrySortOrder{key, direction});
        return names(rows);
    };
    EXPECT_EQ(sorted(std::nullopt, SortDirection::Descending), names(reader));
    EXPECT_EQ(sorted(EntrySortKey::Name, SortDirection::Ascending), (Names{"B.txt", "a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(sorted(EntrySortKey::Size, SortDirection::Ascending), (Names{"a.txt", "c.txt", "b.txt", "B.txt"}));
    EXPECT_EQ(sorted(EntrySortKey::Size, SortDirection::Descending), (Names{"B.txt", "b.txt", "a.txt", "c.txt"}));
    EXPECT_EQ(sorted(EntrySortKey::Path, SortDirection::Ascending), (Names{"c.txt", "b.txt", "a.txt", "B.txt"}));
    // A date without a time is midnight.
    EXPECT_EQ(sorted(EntrySortKey::Date, SortDirection::Ascending), (Names{"c.txt", "a.txt", "B.txt", "b.txt"}));
}

TEST(EntrySortOrder, StoredNumbersMapOntoColumnAndDirection) {
    EXPECT_EQ(EntrySortOrder::fromStored(-1, 0), EntrySortOrder{});
    EXPECT_EQ(EntrySortOrder::fromStored(4, 1), (EntrySortOrder{std::nullopt, SortDirection::Descending}));
    EXPECT_EQ(EntrySortOrder::fromStored(2, 1), (EntrySortOrder{EntrySortKey::Path, SortDirection::Descending}));
    EXPECT_EQ(EntrySortOrder::fromStored(3, 7).storedByField(), 3);
    EXPECT_EQ(EntrySortOrder::fromStored(3, 7).storedSort(), 0);
    EXPECT_EQ(EntrySortOrder{}.storedByField(), -1);
}
