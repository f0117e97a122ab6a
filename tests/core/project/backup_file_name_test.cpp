#include "core/project/backup_file_name.h"
#include "core/project/project_names.h"
#include "core/util/path_parts.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {
const DateTime RunAt{2026, 12, 7, 23, 16, 6};
}

TEST(BackupFileName, NumberSuffixWithAndWithoutZeroFill) {
    EXPECT_EQ(composeBackupFileName("/backups", "Docs", SuffixMode::Number, 7, false, 3, RunAt), "/backups/Docs7.zip");
    EXPECT_EQ(composeBackupFileName("/backups", "Docs", SuffixMode::Number, 7, true, 3, RunAt), "/backups/Docs007.zip");
    EXPECT_EQ(composeBackupFileName("/backups", "Docs", SuffixMode::Number, 1000, true, 3, RunAt),
              "/backups/Docs1000.zip");
    EXPECT_EQ(formatNumberSuffix(42, true, 2), "42");
}

TEST(BackupFileName, FolderPartAndPrefixAreTrimmed) {
    EXPECT_EQ(composeBackupFileName("/", " Docs ", SuffixMode::None, 1, false, 2, RunAt), "/Docs.zip");
    EXPECT_EQ(composeBackupFileName(" /b/ ", "Docs", SuffixMode::None, 1, false, 2, RunAt), "/b/Docs.zip");
    EXPECT_EQ(composeBackupFileName("", "Docs", SuffixMode::None, 1, false, 2, RunAt), "Docs.zip");
}

TEST(BackupFileName, DateSuffixHasNoYear) {
    EXPECT_EQ(composeBackupFileName("/b/", "Docs", SuffixMode::Date, 1, false, 2, RunAt), "/b/Docs12-07_23h16m06s.zip");
    EXPECT_EQ(formatDateSuffix({2026, 1, 2, 3, 4, 5}), "01-02_03h04m05s");
}

TEST(ProjectNames, CaseIgnoredComparisonAndOrder) {
    EXPECT_TRUE(sameProjectName(" Docs", "DOCS "));
    std::vector<std::string> names{"beta", "Alpha", "alpha2", "Gamma"};
    sortProjectNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "alpha2", "beta", "Gamma"}));
    EXPECT_EQ(findProjectName(names, "GAMMA"), 3);
    EXPECT_EQ(findProjectName(names, "delta"), -1);
    EXPECT_EQ(folderPart("/a/b/c.zip"), "/a/b/");
    EXPECT_EQ(folderPart("c.zip"), "");
}
