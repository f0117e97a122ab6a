#include "core/ini/ini_password_codec.h"
#include "core/platform/data_folder.h"
#include "core/project/project_store.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const DateTime Now{2026, 12, 7, 23, 16, 6};

BackupProject loadFrom(const std::string& ini, const std::string& name) {
    TestClock clock(Now);
    return ProjectStore::fromDocument(IniDocument::parse(ini), name, clock);
}

} // namespace

TEST(ProjectStoreLoad, SectionWithoutKeysGivesTheDefaults) {
    BackupProject p = loadFrom("[Docs]\n", " Docs ");
    EXPECT_EQ(p.name, "Docs");
    EXPECT_EQ(p.filenamePrefix, "");
    EXPECT_EQ(p.suffix, SuffixMode::Number);
    EXPECT_EQ(p.nextNumber, 2);
    EXPECT_EQ(p.increaseValue, 1);
    EXPECT_EQ(p.savePath, homeFolder());
    EXPECT_TRUE(p.backupItems.empty());
    EXPECT_TRUE(p.excludeItems.empty());
    EXPECT_TRUE(p.includeSubfolders);
    EXPECT_TRUE(p.usePassword);
    EXPECT_EQ(p.password, "");
    EXPECT_EQ(p.confirmPassword, "");
    EXPECT_TRUE(p.storePaths);
    EXPECT_TRUE(p.storeComment);
    EXPECT_EQ(p.comment, "");
    EXPECT_EQ(p.scheduleMode, ScheduleMode::None);
    EXPECT_EQ(p.packLevel, 6);
    EXPECT_EQ(p.storeNumber, 50);
    EXPECT_FALSE(p.onlyNewer);
    EXPECT_FALSE(p.useLastBackupDate);
    EXPECT_EQ(p.filterDateTime, Now);
    EXPECT_EQ(p.restorePath, homeFolder());
    EXPECT_TRUE(p.restoreToOrigPath);
    EXPECT_EQ(p.overwriteMode, 2);
}

TEST(ProjectStoreLoad, NumbersAreHeldInTheirControlRanges) {
    BackupProject p = loadFrom("[P]\nPackLevel=12\nStore Number=1\nIncrease Value=0\nValue=999999\n"
                               "BackupMode=1\nStartTime_or_Increase=1\n",
                               "P");
    EXPECT_EQ(p.packLevel, 9);
    EXPECT_EQ(p.storeNumber, 2);
    EXPECT_EQ(p.increaseValue, 1);
    EXPECT_EQ(p.nextNumber, 1000000); // the running number goes on past 1000
    EXPECT_EQ(p.everyMinutes, 2);
    p = loadFrom("[P]\nPackLevel=-3\nStore Number=70000\nValue=2147483647\nIncrease Value=5000\n", "P");
    EXPECT_EQ(p.packLevel, 0);
    EXPECT_EQ(p.storeNumber, 50000);
    EXPECT_EQ(p.increaseValue, 1000);
    EXPECT_EQ(p.nextNumber, MaxNumber); // no overflow on the addition
}

TEST(ProjectStoreLoad, NextNumberIsLastValuePlusIncrement) {
    BackupProject p = loadFrom("[P]\nSuffix=2\nValue=7\nIncrease Value=2\n", "P");
    EXPECT_EQ(p.nextNumber, 9);
    EXPECT_EQ(p.increaseValue, 2);
}

TEST(ProjectStoreLoad, ValuesOutsideTheirSetLeaveTheButtonsAlone) {
    BackupProject p = loadFrom("[P]\nSuffix=5\nBackupMode=-1\nOverwrite Mode=7\n", "P");
    EXPECT_FALSE(p.suffix.has_value());
    EXPECT_FALSE(p.scheduleMode.has_value());
    EXPECT_FALSE(p.overwriteMode.has_value());
    p = loadFrom("[P]\nSuffix=abc\nBackupMode=x\nOverwrite Mode=\n", "P");
    EXPECT_EQ(p.suffix, SuffixMode::Number);
    EXPECT_EQ(p.scheduleMode, ScheduleMode::None);
    EXPECT_EQ(p.overwriteMode, 2);
}

TEST(ProjectStoreLoad, ListsSkipMissingAndEmptyEntriesAndIgnoreEntriesBeyondTheCount) {
    BackupProject p = loadFrom("[P]\nBackup Directory Count=3\nBackup0=/a/*.txt\nBackup2=/c/x.doc\nBackup3=/d\n"
                               "No Backup Directory Count=2\nNoBackup0=\nNoBackup1=/tmp/*.bak\nNoBackup01=/x\n",
                               "P");
    EXPECT_EQ(p.backupItems, (std::vector<std::string>{"/a/*.txt", "/c/x.doc"}));
    EXPECT_EQ(p.excludeItems, (std::vector<std::string>{"/tmp/*.bak"}));
    p = loadFrom("[P]\nBackup Directory Count=2000000000\nBackup1999999999=/late\n", "P");
    EXPECT_EQ(p.backupItems, (std::vector<std::string>{"/late"}));
}

TEST(ProjectStoreLoad, PasswordIsDecodedOnlyWhenTheBoxIsChecked) {
    std::string stored = IniPasswordCodec::encode("s3cret", "Docs");
    BackupProject p = loadFrom("[Docs]\nPassword=" + stored + "\n", "Docs");
    EXPECT_EQ(p.password, "s3cret");
    EXPECT_EQ(p.confirmPassword, "s3cret");
    p = loadFrom("[Docs]\nWhether password Project=0\nPassword=" + stored + "\n", "Docs");
    EXPECT_EQ(p.password, "");
    EXPECT_EQ(p.confirmPassword, "");
}

TEST(ProjectStoreLoad, CommentIsLoadedWhateverTheBoxSays) {
    BackupProject p = loadFrom("[P]\nWhether store comment in Zip=0\nComment= kept \n", "P");
    EXPECT_FALSE(p.storeComment);
    EXPECT_EQ(p.comment, " kept ");
}

TEST(ProjectStoreLoad, ScheduleTextFallsBackPerMode) {
    BackupProject p = loadFrom("[P]\nBackupMode=1\nStartTime_or_Increase=abc\n", "P");
    EXPECT_EQ(p.scheduleMode, ScheduleMode::EveryMinutes);
    EXPECT_EQ(p.everyMinutes, 5);
    p = loadFrom("[P]\nBackupMode=0\nStartTime_or_Increase=abc\n", "P");
    EXPECT_EQ(p.scheduleMode, ScheduleMode::DailyOnce);
    EXPECT_EQ(formatTime(p.dailyTime), "12:00:00");
    p = loadFrom("[P]\nBackupMode=0\nStartTime_or_Increase=08:30:15\n", "P");
    EXPECT_EQ(formatTime(p.dailyTime), "08:30:15");
    p = loadFrom("[P]\nBackupMode=2\nStartTime_or_Increase=Friday\n", "P");
    EXPECT_EQ(p.weekday, 5);
    p = loadFrom("[P]\nBackupMode=2\nStartTime_or_Increase=friday\n", "P");
    EXPECT_FALSE(p.weekday.has_value()); // the name must match exactly
}

TEST(ProjectStoreLoad, FilterDateTimeFallsBackToNowOnBadText) {
    EXPECT_EQ(loadFrom("[P]\nNewDateTime=2025-03-04 05:06:07\n", "P").filterDateTime, (DateTime{2025, 3, 4, 5, 6, 7}));
    EXPECT_EQ(loadFrom("[P]\nNewDateTime=yesterday\n", "P").filterDateTime, Now);
}

TEST(ProjectStoreLoad, SectionAndKeysMatchWithoutRegardToCase) {
    BackupProject p = loadFrom("[docs]\nfilename PREFIX=Doc\nsave path=/b/\n", "DOCS");
    EXPECT_EQ(p.filenamePrefix, "Doc");
    EXPECT_EQ(p.savePath, "/b/");
}

TEST(ProjectStoreList, ReadsTheListSortedSkippingEmptyAndRepeatedNames) {
    auto names = ProjectStore::readProjectList(
        IniDocument::parse("[Common]\nProject Count=5\nCount0=zeta\nCount1=\nCount2= Alpha \nCount3=beta\n"
                           "Count4=ALPHA\nCount5=beyond\n"));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "zeta"}));
}

TEST(ProjectStoreList, WritingAShorterListLeavesOldEntriesBeyondTheCount) {
    TempDir dir;
    TestClock clock(Now);
    ProjectStore store(dir / "project.ini", clock);
    store.saveProjectList({"a", "b", "c"});
    store.saveProjectList({"x"});
    EXPECT_EQ(store.projectList(), std::vector<std::string>{"x"});
    EXPECT_EQ(readFile(dir / "project.ini"), "[Common]\nProject Count=1\nCount0=x\nCount1=b\nCount2=c\n");
}

TEST(ProjectStoreFile, StoredScheduleModeAndRestoreOptions) {
    TempDir dir;
    TestClock clock(Now);
    ProjectStore store(dir / "project.ini", clock);
    EXPECT_EQ(store.storedScheduleMode("Docs"), 3);
    writeFile(dir / "project.ini", "[Docs]\nBackupMode=0\nFilename prefix=D\n");
    EXPECT_EQ(store.storedScheduleMode(" docs "), 0);
    store.writeRestoreOptions("Docs", "  /restore/here/ ", false, 4);
    BackupProject p = store.load("Docs");
    EXPECT_EQ(p.restorePath, "/restore/here/");
    EXPECT_FALSE(p.restoreToOrigPath);
    EXPECT_EQ(p.overwriteMode, 4);
    EXPECT_EQ(p.filenamePrefix, "D");
}
