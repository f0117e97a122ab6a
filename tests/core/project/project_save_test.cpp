#include "core/ini/ini_password_codec.h"
#include "core/project/project_store.h"
#include "core/project/validate_project_input.h"
#include "support/test_clock.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const DateTime Now{2026, 12, 7, 23, 16, 6};

struct SaveFixture : ::testing::Test {
    TempDir dir;
    TestClock clock{Now};
    ProjectStore store{dir / "project.ini", clock};

    BackupProject sample() {
        BackupProject p = store.load("Docs");
        p.filenamePrefix = " Docs ";
        p.backupItems = {"/home/u/a.txt", "/home/u/Data/*.doc"};
        p.excludeItems = {"/home/u/Data/*.tmp"};
        p.nextNumber = 9;
        p.increaseValue = 2;
        p.password = " pw ";
        p.confirmPassword = "pw";
        p.comment = "  weekly docs";
        p.scheduleMode = ScheduleMode::EveryMinutes;
        p.everyMinutes = 90;
        p.filterDateTime = DateTime{2025, 1, 2, 3, 4, 5};
        return p;
    }
    IniDocument file() const { return IniDocument::parse(readFile(dir / "project.ini")); }
};

} // namespace

TEST_F(SaveFixture, WritesEveryKeyInOrderAndReloadsTheSame) {
    BackupProject p = sample();
    store.save(p, "  /backups/docs/Docs9.zip ");
    EXPECT_EQ(readFile(dir / "project.ini"),
              "[Docs]\nFilename prefix=Docs\nSuffix=2\nIncrease Value=2\nValue=7\nSave Path=/backups/docs/\n"
              "Backup Directory Count=2\nBackup0=/home/u/a.txt\nBackup1=/home/u/Data/*.doc\n"
              "No Backup Directory Count=1\nNoBackup0=/home/u/Data/*.tmp\nWhether include Subdirectory=1\n"
              "Whether password Project=1\nPassword=" +
                  IniPasswordCodec::encode("pw", "Docs") +
                  "\nWhether store path in Zip=1\nWhether store comment in Zip=1\nComment=  weekly docs\n"
                  "BackupMode=1\nStartTime_or_Increase=90\nPackLevel=6\nStore Number=50\nisUseNew=0\n"
                  "isUseToday=0\nNewDateTime=2025-01-02 03:04:05\n");
    BackupProject back = store.load(" Docs ");
    EXPECT_EQ(back.filenamePrefix, "Docs");
    EXPECT_EQ(back.nextNumber, 9);
    EXPECT_EQ(back.savePath, "/backups/docs/");
    EXPECT_EQ(back.backupItems, p.backupItems);
    EXPECT_EQ(back.password, "pw");
    EXPECT_EQ(back.everyMinutes, 90);
    EXPECT_EQ(back.filterDateTime, p.filterDateTime);
}

TEST_F(SaveFixture, UncheckedPasswordAndEmptyCommentLeaveEarlierValuesButAClearedPasswordGoes) {
    store.save(sample(), "/b/x.zip");
    std::string earlier = file().readString("Docs", "Password");
    BackupProject p = sample();
    p.usePassword = false;
    p.comment = "   ";
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "Password"), earlier);
    EXPECT_EQ(file().readString("Docs", "Comment"), "  weekly docs");
    BackupProject back = store.load("Docs");
    EXPECT_EQ(back.password, ""); // the box is unchecked, so the old value is not read
    p.usePassword = true;
    p.password = p.confirmPassword = "  ";
    p.storeComment = false;
    p.comment = "new";
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "Comment"), "  weekly docs");
    // A cleared password with the box checked is cleared in the file too: reloaded, the project
    // must not encrypt with the password the user removed.
    EXPECT_EQ(file().value("Docs", "Password"), std::nullopt);
    EXPECT_EQ(store.load("Docs").password, "");
}

TEST_F(SaveFixture, RestoreKeysAndUnknownKeysSurviveASave) {
    writeFile(dir / "project.ini", "[Common]\nProject Count=1\nCount0=Docs\n\n[Docs]\nRestore path=/r/\n"
                                   "Restore to orig path=0\nOverwrite Mode=3\nMy Own Key=x\n");
    store.save(sample(), "/b/x.zip");
    IniDocument doc = file();
    EXPECT_EQ(doc.readString("Docs", "Restore path"), "/r/");
    EXPECT_EQ(doc.readString("Docs", "Overwrite Mode"), "3");
    EXPECT_EQ(doc.readString("Docs", "My Own Key"), "x");
    EXPECT_EQ(doc.readString("Common", "Count0"), "Docs");
}

TEST_F(SaveFixture, SavePathIsTheFolderPartOfTheFileNameField) {
    store.save(sample(), "Docs9.zip");
    EXPECT_EQ(file().readString("Docs", "Save Path", "unset"), "");
    store.save(sample(), " /typed/folder/ ");
    EXPECT_EQ(file().readString("Docs", "Save Path"), "/typed/folder/");
}

TEST_F(SaveFixture, ScheduleModesWriteTheirTextAndNoneKeepsTheOldText) {
    BackupProject p = sample();
    p.scheduleMode = ScheduleMode::DailyOnce;
    p.dailyTime = DateTime{1899, 12, 30, 8, 0, 0};
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "StartTime_or_Increase"), "08:00:00");
    p.scheduleMode = ScheduleMode::Weekly;
    p.weekday = 3;
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "StartTime_or_Increase"), "Wednesday");
    p.scheduleMode = ScheduleMode::None;
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "BackupMode"), "3");
    EXPECT_EQ(file().readString("Docs", "StartTime_or_Increase"), "Wednesday");
    p.scheduleMode.reset(); // no button selected is written as daily once
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("Docs", "BackupMode"), "0");
}

TEST_F(SaveFixture, PasswordIsEncodedWithTheTrimmedProjectName) {
    BackupProject p = sample();
    p.name = "  My Docs ";
    store.save(p, "/b/x.zip");
    EXPECT_EQ(file().readString("My Docs", "Password"), IniPasswordCodec::encode("pw", "My Docs"));
}

TEST(ValidateProjectInput, ChecksInOrderAndComparesTrimmedPasswords) {
    BackupProject p;
    EXPECT_EQ(ValidateProjectInput(p, "  "), "Please enter the backup filename");
    EXPECT_EQ(ValidateProjectInput(p, "/b/x.zip"), "Please enter the prefix of backup filename");
    p.filenamePrefix = " x ";
    p.password = "a";
    p.confirmPassword = "b";
    EXPECT_EQ(ValidateProjectInput(p, "/b/x.zip"), "Confirm password is not matching");
    p.usePassword = false;
    EXPECT_EQ(ValidateProjectInput(p, "/b/x.zip"), "Please select files to backup");
    p.usePassword = true;
    p.confirmPassword = " a ";
    p.backupItems = {"/a"};
    EXPECT_EQ(ValidateProjectInput(p, "/b/x.zip"), std::nullopt);
}

// A prefix is part of a file name; the folder must not depend on where the program was started,
// which differs between the window, the command line and the scheduler.
TEST(ValidateProjectInput, PrefixIsOneFileNameAndTheFolderAFullPath) {
    BackupProject p;
    p.usePassword = false;
    p.backupItems = {"/a"};
    const std::string prefixMessage = "The prefix of backup filename cannot hold \"/\" or \"..\"";
    for (const char* prefix : {"../../x", "/x", "a/b", "..", "x..y"}) {
        p.filenamePrefix = prefix;
        EXPECT_EQ(ValidateProjectInput(p, "/b/x.zip"), prefixMessage) << prefix;
    }
    p.filenamePrefix = "Docs.2026";
    EXPECT_EQ(ValidateProjectInput(p, "/b/Docs.20261.zip"), std::nullopt);

    const std::string folderMessage = "Please enter the backup folder as a full path, beginning with \"/\"";
    for (const char* field : {"backups/Docs1.zip", "./Docs1.zip", "~/backups/Docs1.zip", " b/Docs1.zip"})
        EXPECT_EQ(ValidateProjectInput(p, field), folderMessage) << field;
    // A name without any folder is left to the run, which cannot create an empty folder.
    EXPECT_EQ(ValidateProjectInput(p, "Docs1.zip"), std::nullopt);
}

// The command line ran a backup while the window had the project open: saving the window's other
// changes must not set the number and filter date back, or the next run overwrites that backup.
TEST_F(SaveFixture, SaveKeepsTheNumberAndFilterDateAnotherProgramWroteMeanwhile) {
    store.save(sample(), "/b/Docs9.zip"); // Value 7, increment 2
    BackupProject shown = store.load("Docs");
    IniFile(dir / "project.ini").edit([](IniDocument& doc) {
        doc.writeString("Docs", "Value", "9");
        doc.writeString("Docs", "NewDateTime", "2026-12-07 23:00:00");
    });
    shown.comment = "edited meanwhile";
    store.save(shown, "/b/Docs9.zip");
    EXPECT_EQ(file().readString("Docs", "Value"), "9");
    EXPECT_EQ(file().readString("Docs", "NewDateTime"), "2026-12-07 23:00:00");
    EXPECT_EQ(file().readString("Docs", "Comment"), "edited meanwhile");

    // Values the user changed are written; a number never goes behind the one just used.
    shown = store.load("Docs");
    shown.nextNumber = 30;
    shown.filterDateTime = DateTime{2024, 5, 6, 7, 8, 9};
    IniFile(dir / "project.ini").writeString("Docs", "Value", "12");
    store.save(shown, "/b/Docs30.zip");
    EXPECT_EQ(file().readString("Docs", "Value"), "28");
    EXPECT_EQ(file().readString("Docs", "NewDateTime"), "2024-05-06 07:08:09");
    shown = store.load("Docs");
    shown.nextNumber = 3;
    IniFile(dir / "project.ini").writeString("Docs", "Value", "40");
    store.save(shown, "/b/Docs3.zip");
    EXPECT_EQ(file().readString("Docs", "Value"), "40");

    // With nobody else writing, the user may set the number back.
    shown = store.load("Docs");
    shown.nextNumber = 3;
    store.save(shown, "/b/Docs3.zip");
    EXPECT_EQ(file().readString("Docs", "Value"), "1");
}

// The off-site copy's keys follow the others and are written only when set, so that the section
// of a project without a copy stays as it always was (the first test above shows it whole).
TEST_F(SaveFixture, OffsiteCopyKeysFollowTheOthersOnlyWhenSet) {
    BackupProject p = sample();
    p.ftpSite = " Home NAS ";
    p.ftpFolder = "/backups/docs ";
    store.save(p, "/b/Docs9.zip");
    EXPECT_TRUE(readFile(dir / "project.ini")
                    .ends_with("NewDateTime=2025-01-02 03:04:05\nFTP Site=Home NAS\nFTP Folder=/backups/docs\n"));
    BackupProject back = store.load("Docs");
    EXPECT_EQ(back.ftpSite, "Home NAS");
    EXPECT_EQ(back.ftpFolder, "/backups/docs");

    back.ftpSite.clear();
    back.ftpFolder.clear();
    store.save(back, "/b/Docs9.zip");
    EXPECT_TRUE(readFile(dir / "project.ini").ends_with("NewDateTime=2025-01-02 03:04:05\n"));
}

TEST(ValidateProjectInput, TheOffsiteCopyNamesASiteThatExists) {
    BackupProject p;
    const std::vector<std::string> sites{"Home NAS", "Work"};
    EXPECT_EQ(offsiteCopyProblem(p, sites), std::nullopt); // no copy
    p.ftpSite = "home nas";
    EXPECT_EQ(offsiteCopyProblem(p, sites), std::nullopt); // letter case ignored, as everywhere for labels
    p.ftpSite = "Gone";
    EXPECT_EQ(offsiteCopyProblem(p, sites), "The FTP site 'Gone' does not exist; please choose one of the FTP sites");
    p.ftpSite = "Work";
    p.ftpFolder = "/up\r\nDELE x";
    EXPECT_EQ(offsiteCopyProblem(p, sites), "The FTP folder cannot hold line breaks or other control characters");
    p.ftpSite.clear();
    p.ftpFolder = "/up";
    EXPECT_EQ(offsiteCopyProblem(p, sites),
              "Please choose the FTP site the archives are copied to, or leave the FTP folder empty");
}
