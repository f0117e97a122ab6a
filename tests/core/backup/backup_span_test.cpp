// Backups onto removable disks too small for them, and restoring such a set disk by disk.
#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"
#include "core/project/project_store.h"
#include "core/restore/restore_session.h"
#include "core/zip/zip_test_helpers.h"

#include <cstdio>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Strings = std::vector<std::string>;

std::string diskQuestion(int number) {
    return "Please insert disk number " + std::to_string(number) + " of the spanned Zip file";
}

// The user at a drive of small removable disks. Asked for a disk, they put the one in the drive
// back on its shelf and insert the one asked for, or cancel when it is `cancelAt`. Every other
// question is answered Yes.
class DiskSwappingUser final : public UserPrompts {
public:
    DiskSwappingUser(fs::path drive, fs::path shelf) : m_drive(std::move(drive)), m_shelf(std::move(shelf)) {}

    int cancelAt = 0;
    Strings asked;
    Strings shown;

    bool askYesNo(const std::string& text, MessageKind) override {
        asked.push_back(text);
        return true;
    }
    bool askOkCancel(const std::string& text, MessageKind) override {
        asked.push_back(text);
        int number = 0;
        if (std::sscanf(text.c_str(), "Please insert disk number %d", &number) != 1 || number == cancelAt)
            return false;
        swapTo(number);
        return true;
    }
    void showMessage(const std::string& text, MessageKind) override { shown.push_back(text); }
    void showTimedMessage(const std::string& text, MessageKind, int) override { shown.push_back(text); }

    fs::path shelfOf(int disk) const { return m_shelf / std::to_string(disk); }

private:
    void swapTo(int number) {
        fs::create_directories(shelfOf(m_inDrive));
        for (const auto& item : fs::directory_iterator(m_drive))
            fs::rename(item.path(), shelfOf(m_inDrive) / item.path().filename());
        if (fs::exists(shelfOf(number)))
            for (const auto& item : fs::directory_iterator(shelfOf(number)))
                fs::rename(item.path(), m_drive / item.path().filename());
        m_inDrive = number;
    }

    fs::path m_drive;
    fs::path m_shelf;
    int m_inDrive = 1;
};

// A project of about 2.3 MB of incompressible files, backed up into a drive whose disks hold 1 MiB.
class SpannedBackup : public BackupRunFixture {
protected:
    SpannedBackup() {
        fs::remove_all(src);
        writeFile(src / "one.bin", randomBytes(700000, 11));
        writeFile(src / "two.bin", randomBytes(900000, 12));
        writeFile(src / "three.bin", randomBytes(500000, 13));
        writeFile(src / "notes.txt", compressibleText(200000, 14));
        fs::create_directories(dest);
        disks.type = DriveType::Removable;
        disks.free = 1 << 20;
    }

    BackupOutcome runWith(UserPrompts& answers) {
        return BackupRunner(DataFiles{data}, log, clock, disks).run(controls, settings, answers, progress);
    }

    // Restores Docs1.zip into restored/ as the Restore page does, with the last disk in the drive.
    RestoreOutcome restoreTheBackup() {
        ProjectStore store(data / "project.ini", clock);
        ArchiveQuestions noDialog;
        RestoreSession session({user, progress, noDialog, log, store, &disks});
        RestoreRequest request;
        request.archiveFolder = dest.string();
        request.archiveName = "Docs1.zip";
        request.options.destDir = (dir / "restored").string();
        request.projectName = "Docs";
        request.confirm = false;
        return session.restoreArchive(request);
    }

    DiskSwappingUser user{dest, dir / "shelf"};
};

} // namespace

TEST_F(SpannedBackup, ABackupLargerThanOneDiskIsSpannedAndRestoresByteIdentical) {
    const BackupOutcome outcome = runWith(user);
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(user.asked, (Strings{diskQuestion(2), diskQuestion(3)}));
    const std::vector<fs::path> pieces{user.shelfOf(1) / "Docs1.zip", user.shelfOf(2) / "Docs1.zip",
                                       dest / "Docs1.zip"};
    std::uint64_t total = 0;
    for (const fs::path& piece : pieces) {
        ASSERT_TRUE(fs::exists(piece)) << piece;
        EXPECT_LE(fs::file_size(piece), 1u << 20) << piece;
        total += fs::file_size(piece);
    }
    EXPECT_EQ(destNames(), Strings{"Docs1.zip"}); // written under its name, no hidden copy

    // The whole set is reported, under the name every disk carries.
    const std::string kb = std::to_string(total / 1024);
    EXPECT_EQ(outcome.message, "Backup 4 Files Succeeds!\rProject Name: 'Docs'\rFile Name:    'Docs1.zip'\r"
                               "File Size:    '" +
                                   kb + "Kb'\rDisks:        '3'");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");
    EXPECT_EQ(newestLog()[LogColumnInformation],
              "4 files added to " + archive("Docs1.zip") + "  " + kb + "Kb; spanned over 3 disks");
    EXPECT_EQ(IniFile(data / "StoreNumber.txt").readString("Docs", "N1", ""), archive("Docs1.zip"));
    EXPECT_EQ(controls.project.nextNumber, 2);

    // The last disk is in the drive; the restore asks for the others as it needs them.
    user.asked.clear();
    const RestoreOutcome restored = restoreTheBackup();
    EXPECT_EQ(restored.status, RestoreStatus::Succeeded) << restored.error;
    EXPECT_EQ(restored.restored, 4);
    EXPECT_EQ(treeOf(dir / "restored"), treeOf(src));
    ASSERT_FALSE(user.asked.empty());
    EXPECT_EQ(user.asked.front(), diskQuestion(1));
    for (const std::string& question : user.asked)
        EXPECT_TRUE(question.starts_with("Please insert disk number ")) << question;
    EXPECT_EQ(newestLog()[LogColumnOperation], "Restore");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");
}

TEST_F(SpannedBackup, CancelAtTheDiskPromptStopsTheRunAndLeavesNoPiece) {
    user.cancelAt = 2;
    const BackupOutcome outcome = runWith(user);
    EXPECT_EQ(outcome.status, BackupStatus::Interrupted);
    EXPECT_EQ(user.asked, Strings{diskQuestion(2)});
    EXPECT_EQ(user.shown, Strings{"User canceled Zip operation"});
    EXPECT_EQ(log.count(), 1);
    EXPECT_EQ(newestLog()[LogColumnStatus], "Interrupt");
    EXPECT_EQ(newestLog()[LogColumnInformation], "User canceled Zip operation");
    EXPECT_TRUE(destNames().empty()); // the first disk's piece is gone again
    EXPECT_EQ(controls.project.nextNumber, 1);
    EXPECT_FALSE(fs::exists(data / "project.ini"));
    EXPECT_FALSE(fs::exists(data / "StoreNumber.txt"));
    EXPECT_EQ(progress.events, (Strings{"disable", "strip", "arrow", "hourglass", "no strip", "enable"}));
}

TEST_F(SpannedBackup, CancelWhileRestoringEndsTheRestoreWithTheReadersError) {
    ASSERT_EQ(runWith(user).status, BackupStatus::Succeeded);
    user.cancelAt = 1;
    progress.events.clear();
    const RestoreOutcome restored = restoreTheBackup();
    EXPECT_EQ(restored.status, RestoreStatus::Failed);
    EXPECT_EQ(restored.error, "User canceled loading new disk.");
    EXPECT_EQ(user.shown.back(), "User canceled loading new disk.\r0 files restored, 4 files not restored");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
    EXPECT_EQ(progress.events, (Strings{"disable", "strip", "arrow", "hourglass", "no strip", "enable"}));
}
