#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

using Strings = std::vector<std::string>;

TEST_F(BackupRunFixture, NumberedRunWritesTheUsedNumberAndShowsTheNextOne) {
    controls.project.nextNumber = 7;
    controls.project.increaseValue = 2;
    refreshField();
    BackupOutcome outcome = run();

    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    const std::string path = archive("Docs7.zip");
    EXPECT_EQ(outcome.archivePath, path);
    EXPECT_EQ(outcome.filesAdded, 3);
    EXPECT_EQ(entries(path), (Strings{"a.txt", "b.bin", "c.txt"}));
    EXPECT_EQ(projectKey("Value"), "7");
    EXPECT_EQ(controls.project.nextNumber, 9);
    EXPECT_EQ(controls.fileNameField, archive("Docs9.zip"));

    const std::string kb = std::to_string(fs::file_size(path) / 1024);
    expectOnlyMessage("Backup 3 Files Succeeds!\rProject Name: 'Docs'\rFile Name:    'Docs7.zip'\r"
                      "File Size:    '" +
                          kb + "Kb'",
                      MessageKind::Information, 6);
    EXPECT_EQ(outcome.message, prompts.messages[0].text);

    EXPECT_EQ(log.count(), 1);
    EXPECT_EQ(newestLog()[LogColumnOperation], "Backup");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");
    EXPECT_EQ(newestLog()[LogColumnProject], "Docs");
    EXPECT_EQ(newestLog()[LogColumnInformation], "3 files added to " + path + "  " + kb + "Kb");
    EXPECT_EQ(newestLog()[LogColumnDate], "2026-03-14 10:00:05");

    EXPECT_EQ(progress.events, (Strings{"disable", "strip", "no strip", "enable"}));
    EXPECT_EQ(progress.fileNames.size(), 3u);
}

TEST_F(BackupRunFixture, TypedNamesAndTheDateSuffix) {
    settings.appendZero = true;
    settings.width = 3;
    controls.project.nextNumber = 4;
    controls.fileNameField = "  " + archive("typed.zip") + " "; // number suffix: the field is used as typed
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_TRUE(fs::exists(archive("typed.zip")));
    EXPECT_EQ(projectKey("Value"), "4");
    EXPECT_EQ(controls.fileNameField, archive("Docs005.zip"));

    controls.project.suffix = SuffixMode::Date; // the date suffix recomposes the field at the start
    clock.value = DateTime{2026, 12, 7, 23, 16, 6};
    controls.fileNameField = archive("typed-again.zip");
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded);
    EXPECT_EQ(outcome.archivePath, archive("Docs12-07_23h16m06s.zip"));
    EXPECT_FALSE(fs::exists(archive("typed-again.zip")));
    EXPECT_EQ(projectKey("Value"), "4"); // only numbered runs write it
}

TEST_F(BackupRunFixture, QuestionBeforeTheRun) {
    settings.promptBeforeBackup = true;
    controls.project.name = "Docs";
    EXPECT_EQ(runAnswering({false}).status, BackupStatus::Declined);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0].text, "Do you want to backup the project 'Docs'?");
    EXPECT_EQ(prompts.questions[0].kind, MessageKind::Information);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(progress.events.empty());

    EXPECT_EQ(runAnswering({true}).status, BackupStatus::Succeeded);
    EXPECT_TRUE(fs::exists(archive("Docs1.zip")));
}

TEST_F(BackupRunFixture, ValidationMessagesInTheirOrderAndNothingElse) {
    controls.project.filenamePrefix = " ";
    controls.project.usePassword = true;
    controls.project.password = "a";
    controls.project.confirmPassword = "b";
    controls.project.backupItems.clear();
    controls.fileNameField = "  ";
    const Strings expected = {"Please enter the backup filename", "Please enter the prefix of backup filename",
                              "Confirm password is not matching", "Please select files to backup"};
    for (const std::string& message : expected) {
        prompts.messages.clear();
        BackupOutcome outcome = run();
        EXPECT_EQ(outcome.status, BackupStatus::Invalid);
        expectOnlyMessage(message, MessageKind::Error);
        if (controls.fileNameField == "  ")
            refreshField();
        else if (controls.project.filenamePrefix == " ")
            controls.project.filenamePrefix = "Docs";
        else if (controls.project.usePassword)
            controls.project.confirmPassword = " a ";
    }
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(progress.events.empty());
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_FALSE(fs::exists(data / "project.ini"));
}

TEST_F(BackupRunFixture, ArchiveWithoutAFolderCannotBeCreated) {
    controls.fileNameField = "Docs1.zip";
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Failed);
    expectOnlyMessage("Unable to create directory", MessageKind::Error);
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(progress.events.empty());
}

TEST_F(BackupRunFixture, MissingFoldersAreCreatedOrTheRunIsInterrupted) {
    controls.project.savePath = (dest / "deeper/still").string();
    refreshField();
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_TRUE(fs::exists(dest / "deeper/still/Docs1.zip"));

    writeFile(dir / "plain", "a file where a folder should be");
    controls.project.savePath = (dir / "plain/inside").string();
    refreshField();
    prompts.messages.clear();
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Interrupted);
    const std::string text = "Folder '" + (dir / "plain/inside/").string() + "' can not be create,backup interrupted!";
    expectOnlyMessage(text, MessageKind::Warning, 6);
    EXPECT_EQ(newestLog()[LogColumnStatus], "Interrupt");
    EXPECT_EQ(newestLog()[LogColumnInformation], text);
    EXPECT_EQ(controls.project.nextNumber, 2); // only the first run advanced it
}

TEST_F(BackupRunFixture, ExistingArchiveWithoutASuffix) {
    controls.project.suffix = SuffixMode::None;
    refreshField();
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    const std::string path = archive("Docs.zip");
    const std::string first = readFile(path);

    prompts.messages.clear();
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Interrupted);
    expectOnlyMessage("'" + path +
                          "' exists,backup operation has been interrupted!\r"
                          "You can setup Overwrite or Skip existed file in Preferences!",
                      MessageKind::Warning, 6);
    EXPECT_EQ(newestLog()[LogColumnStatus], "Interrupt");
    EXPECT_EQ(newestLog()[LogColumnInformation], "'" + path + "' exists,backup has been interripted");
    EXPECT_EQ(readFile(path), first);

    settings.overwrite = true;
    writeFile(src / "new.txt", "added later");
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(entries(path), (Strings{"a.txt", "b.bin", "c.txt", "new.txt"}));
    EXPECT_EQ(destNames(), Strings{"Docs.zip"});
    EXPECT_FALSE(fs::exists(data / "StoreNumber.txt")); // no ring without a suffix
}

TEST_F(BackupRunFixture, WriterSettingsFollowTheControlsOfEachRun) {
    BackupProject& p = controls.project;
    p.usePassword = true;
    p.password = p.confirmPassword = " secret ";
    p.storeComment = true;
    p.comment = "  weekly docs ";
    p.storePaths = true;
    p.includeSubfolders = false;
    p.excludeItems = {"*.bin"};
    p.packLevel = 0;
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    TZipReader first;
    first.setZipName(archive("Docs1.zip"));
    first.Password = "secret";
    first.ReadZip();
    ASSERT_EQ(first.Count(), 1); // no subfolders, *.bin left out
    EXPECT_EQ(first.Entry(0).storedName(), src.relative_path().string() + "/a.txt");
    EXPECT_TRUE(first.Entry(0).isEncrypted());
    EXPECT_TRUE(first.testEntry(0).ok);
    EXPECT_EQ(first.Entry(0).compressionMethod, 0);
    EXPECT_EQ(first.ZipComment(), "weekly docs");

    p.usePassword = false; // the password stays in the field but must not be used; the same for the comment
    p.storeComment = false;
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    TZipReader second;
    second.setZipName(archive("Docs2.zip"));
    second.ReadZip();
    ASSERT_EQ(second.Count(), 1);
    EXPECT_FALSE(second.Entry(0).isEncrypted());
    EXPECT_EQ(second.ZipComment(), "");
}

TEST_F(BackupRunFixture, RemovableDestinationSpans) {
    std::vector<InspectingWriter::Seen> seen;
    disks.type = DriveType::Removable;
    settings.overwrite = true;
    controls.project.suffix = SuffixMode::None;
    refreshField();
    writeFile(archive("Docs.zip"), "an old archive on the stick");
    BackupOutcome outcome = run([&] { return std::make_unique<InspectingWriter>(seen); });
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].multi.MultiMode, mmSpan);
    EXPECT_EQ(seen[0].path, archive("Docs.zip")); // written in place, no hidden name across disks
    EXPECT_EQ(disks.asked, Strings{dest.string() + "/"});

    disks.type = DriveType::CdRom;
    seen.clear();
    ASSERT_EQ(run([&] { return std::make_unique<InspectingWriter>(seen); }).status, BackupStatus::Succeeded);
    EXPECT_EQ(seen[0].multi.MultiMode, mmSpan);
}

TEST(NextDisk, OkKeepsTheNameAndCancelEmptiesIt) {
    RecordingProgress progress;
    ScriptedPrompts prompts({true, false});
    std::string name = "/media/stick/Docs.zip";
    askForNextDisk(prompts, progress, 2, name);
    EXPECT_EQ(name, "/media/stick/Docs.zip");
    askForNextDisk(prompts, progress, 3, name);
    EXPECT_EQ(name, "");
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[1].text, "Please insert disk number 3 of the spanned Zip file");
    EXPECT_EQ(prompts.questions[1].kind, MessageKind::Confirmation);
    EXPECT_EQ(progress.events, (Strings{"arrow", "hourglass", "arrow", "hourglass"}));
}
