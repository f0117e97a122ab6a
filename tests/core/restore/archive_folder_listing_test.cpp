#include "core/restore/archive_folder_listing.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::vector<ArchiveRow> sortedRows(std::string_view folder) {
    std::vector<ArchiveRow> rows = archiveRowsOf(listArchiveFolder(folder));
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

TEST(ArchiveFolderListing, SizesAreWholeKilobytesAndDatesLeaveOutMidnight) {
    TempDir dir;
    writeFile(dir / "a.zip", std::string(500, 'a'));
    writeFile(dir / "b.zip", std::string(1536, 'b'));
    writeFile(dir / "c.ZIP", std::string(1024 * 1024, 'c'));
    setModificationTime(dir / "a.zip", toTimeT({2024, 2, 29, 13, 5, 7}));
    setModificationTime(dir / "b.zip", toTimeT({2024, 3, 1, 0, 0, 0}));
    setModificationTime(dir / "c.ZIP", toTimeT({2023, 12, 31, 23, 59, 59}));
    const std::vector<ArchiveRow> expected{
        {"a.zip", "0", "2024-02-29 13:05:07"}, {"b.zip", "1", "2024-03-01"}, {"c.ZIP", "1024", "2023-12-31 23:59:59"}};
    EXPECT_EQ(sortedRows(dir.path().string()), expected);
    EXPECT_EQ(sortedRows("  " + dir.path().string() + "/  "), expected);
}

TEST(ArchiveFolderListing, OnlyArchiveFilesOfTheFolderItself) {
    TempDir dir;
    writeFile(dir / "keep.zip", "");
    writeFile(dir / "notes.txt", "");
    writeFile(dir / "keep.zip.part", "");
    writeFile(dir / ".keep.zip.Ab12Cd", "");
    writeFile(dir / "sub" / "deeper.zip", "");
    fs::create_directory(dir / "folder.zip");
    const auto files = listArchiveFolder(dir.path().string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "keep.zip");
    EXPECT_TRUE(listArchiveFolder((dir / "missing").string()).empty());
}

TEST(ArchiveFolderListing, FolderNamesWithSeparatorsOrWildcardsAreTakenLiterally) {
    TempDir dir;
    writeFile(dir / "odd;name?" / "x.zip", "");
    writeFile(dir / "odd" / "wrong.zip", "");
    const auto files = listArchiveFolder((dir / "odd;name?").string());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "x.zip");
}

TEST(ArchiveFolderListing, ArchivePathJoinsTrimmedFolderAndName) {
    EXPECT_EQ(archivePath(" /backups ", "a.zip"), "/backups/a.zip");
    EXPECT_EQ(archivePath("/backups/", "a.zip"), "/backups/a.zip");
    EXPECT_EQ(archivePath("/", "a.zip"), "/a.zip");
    EXPECT_EQ(totalFilesCaption(3), "(Total 3 files)");
}
