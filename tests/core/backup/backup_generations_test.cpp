// Runs that must neither lose an older backup nor report less than the truth.
#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"

using namespace quorvel;
using namespace quorvel::test;

using Strings = std::vector<std::string>;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

// An unplugged drive or a renamed folder: the run writes what it finds, says what it did not
// find, and never lets that archive push a complete one out of the ring.
TEST_F(BackupRunFixture, ARunWithMissingItemsIsIncompleteAndDeletesNoOlderArchive) {
    controls.project.storeNumber = 2;
    controls.project.useLastBackupDate = true;
    const std::string photos = (dir / "usb/Photos/*.*").string();
    const std::string letter = (dir / "letter.txt").string();
    controls.project.backupItems.push_back(photos);
    controls.project.backupItems.push_back(letter);
    writeFile(dir / "usb/Photos/p.jpg", "photo");
    writeFile(letter, "letter");
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    const DateTime filter = controls.project.filterDateTime;
    const std::string storedFilter = projectKey("NewDateTime");

    fs::remove_all(dir / "usb");
    fs::remove(letter);
    for (int n = 3; n <= 5; ++n) {
        prompts.messages.clear();
        clock.value = addSeconds(clock.value, 60);
        BackupOutcome outcome = run();
        EXPECT_EQ(outcome.status, BackupStatus::Incomplete) << outcome.message;
        EXPECT_EQ(outcome.missingItems, (Strings{photos, letter}));
        ASSERT_EQ(prompts.messages.size(), 1u);
        const std::string& shown = prompts.messages[0].text;
        EXPECT_EQ(prompts.messages[0].kind, MessageKind::Warning);
        EXPECT_TRUE(shown.starts_with("Backup 3 Files Incomplete!\r")) << shown;
        EXPECT_TRUE(contains(shown, "'" + photos + "', '" + letter + "'")) << shown;
        EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
        const std::string& logged = newestLog()[LogColumnInformation];
        EXPECT_TRUE(contains(logged, "3 files added to " + archive("Docs" + std::to_string(n) + ".zip"))) << logged;
        EXPECT_TRUE(contains(logged, "'" + photos + "', '" + letter + "'")) << logged;
        EXPECT_EQ(projectKey("Value"), std::to_string(n)); // the name is not used again
    }
    // The filter stays where the last complete run left it, so the missing files are taken
    // again as soon as they are back.
    EXPECT_EQ(controls.project.filterDateTime, filter);
    EXPECT_EQ(projectKey("NewDateTime"), storedFilter);
    EXPECT_EQ(destNames(), (Strings{"Docs1.zip", "Docs2.zip", "Docs3.zip", "Docs4.zip", "Docs5.zip"}));

    writeFile(dir / "usb/Photos/p.jpg", "photo");
    writeFile(letter, "letter");
    clock.value = addSeconds(clock.value, 60);
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(entries(archive("Docs6.zip")), (Strings{"a.txt", "b.bin", "c.txt", "letter.txt", "p.jpg"}));
    EXPECT_NE(controls.project.filterDateTime, filter);
    // The complete runs keep their ring; incomplete archives are left for the user to delete.
    EXPECT_EQ(destNames(), (Strings{"Docs2.zip", "Docs3.zip", "Docs4.zip", "Docs5.zip", "Docs6.zip"}));
}

// A folder named without a mask means the folder's contents, as it does for the zip command.
TEST_F(BackupRunFixture, AFolderItemWithoutAMaskBacksUpItsContents) {
    controls.project.backupItems = {src.string(), ">" + (dir / "more").string()};
    writeFile(dir / "more/deep/d.txt", "deep");
    controls.project.includeSubfolders = false;
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(entries(archive("Docs1.zip")), (Strings{"a.txt", "b.bin", "d.txt"}));
}

// The number goes on past 1000 instead of writing the same archive again and again.
TEST_F(BackupRunFixture, TheRunningNumberGoesOnPast1000) {
    settings.overwrite = true;
    controls.project.nextNumber = 999;
    refreshField();
    for (int n = 999; n <= 1001; ++n) {
        BackupOutcome outcome = run();
        ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
        EXPECT_EQ(outcome.archivePath, archive("Docs" + std::to_string(n) + ".zip"));
    }
    EXPECT_EQ(projectKey("Value"), "1001");
    EXPECT_EQ(controls.fileNameField, archive("Docs1002.zip"));
    EXPECT_EQ(destNames(), (Strings{"Docs1000.zip", "Docs1001.zip", "Docs999.zip"}));

    // At the very end of the range the run refuses rather than write the last name again.
    controls.project.nextNumber = MaxNumber;
    refreshField();
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    prompts.messages.clear();
    BackupOutcome refused = run();
    EXPECT_EQ(refused.status, BackupStatus::Interrupted);
    EXPECT_TRUE(contains(refused.message, std::to_string(MaxNumber))) << refused.message;
    EXPECT_EQ(newestLog()[LogColumnStatus], "Interrupt");
    EXPECT_EQ(prompts.messages.size(), 1u);
}

// A prefix that climbs out of the folder, or a folder relative to wherever the program was
// started, is refused before anything is written.
TEST_F(BackupRunFixture, APrefixOrFolderThatCouldWriteElsewhereIsRefused) {
    controls.project.filenamePrefix = "../escaped";
    refreshField();
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Invalid);
    EXPECT_FALSE(fs::exists(dir / "escaped1.zip"));

    controls.project.filenamePrefix = "Docs";
    controls.fileNameField = "dest/Docs1.zip";
    outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Invalid);
    EXPECT_EQ(outcome.message, "Please enter the backup folder as a full path, beginning with \"/\"");
    EXPECT_FALSE(fs::exists(data / "log.txt"));
}

// The command line ran the project while the window showed it: the window's next run must not
// take the number the command line has used, which would overwrite that newest archive.
TEST_F(BackupRunFixture, ARunAfterAnotherProgramsRunTakesTheNextFreeNumber) {
    settings.overwrite = true;
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    BackupControls window = controls; // shows 2 as the next number
    for (int n = 2; n <= 3; ++n)
        ASSERT_EQ(run().status, BackupStatus::Succeeded);
    const std::string second = readFile(archive("Docs2.zip"));
    const std::string third = readFile(archive("Docs3.zip"));
    writeFile(src / "new.txt", "an overwritten archive would hold this");
    std::swap(window, controls);
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(outcome.archivePath, archive("Docs4.zip"));
    EXPECT_EQ(readFile(archive("Docs2.zip")), second);
    EXPECT_EQ(readFile(archive("Docs3.zip")), third);
    EXPECT_EQ(projectKey("Value"), "4");
    EXPECT_EQ(controls.fileNameField, archive("Docs5.zip"));
}
