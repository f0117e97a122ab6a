#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"
#include "core/zip/zip_errors.h"

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

using Strings = std::vector<std::string>;

namespace {

// Makes the writer fail as a full disk does when it comes to the n-th file, with part of the
// archive written.
std::function<void(const std::string&)> failAtFile(int n) {
    return [n, seen = 0](const std::string&) mutable {
        if (++seen == n)
            throw ENotEnoughRoom();
    };
}

bool isHiddenPart(const std::string& name, const std::string& archiveName) {
    const std::string prefix = "." + archiveName + ".";
    return name.rfind(prefix, 0) == 0 && name.size() == prefix.size() + 8 + 5 &&
           name.compare(name.size() - 5, 5, ".part") == 0;
}

} // namespace

TEST_F(BackupRunFixture, RetentionKeepsTheLastThreeArchivesOverFiveRuns) {
    controls.project.storeNumber = 3;
    for (int n = 1; n <= 5; ++n)
        ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(destNames(), (Strings{"Docs3.zip", "Docs4.zip", "Docs5.zip"}));
    IniFile ring(data / "StoreNumber.txt");
    EXPECT_EQ(ring.readInteger("Docs", "Max", 0), 3);
    EXPECT_EQ(ring.readInteger("Docs", "Head", 0), 2);
    EXPECT_EQ(ring.readString("Docs", "N1"), archive("Docs4.zip"));
    EXPECT_EQ(ring.readString("Docs", "N2"), archive("Docs5.zip"));
    EXPECT_EQ(ring.readString("Docs", "N3"), archive("Docs3.zip"));
}

TEST_F(BackupRunFixture, LoweringTheLimitKeepsTheNewestTwo) {
    controls.project.storeNumber = 5;
    for (int n = 1; n <= 5; ++n)
        ASSERT_EQ(run().status, BackupStatus::Succeeded);
    controls.project.storeNumber = 2;
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(destNames(), (Strings{"Docs5.zip", "Docs6.zip"}));

    controls.project.storeNumber = 0; // out of range: taken as the smallest limit, never a division by zero
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(destNames(), (Strings{"Docs6.zip", "Docs7.zip"}));
}

TEST_F(BackupRunFixture, TheFinalNameAppearsOnlyWhenTheArchiveIsComplete) {
    std::vector<Strings> during;
    progress.onFileName = [&](const std::string&) { during.push_back(destNames()); };
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    ASSERT_EQ(during.size(), 3u);
    for (const Strings& names : during) {
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(isHiddenPart(names[0], "Docs1.zip")) << names[0];
    }
    EXPECT_EQ(destNames(), Strings{"Docs1.zip"});
}

TEST_F(BackupRunFixture, AFailingWriterLeavesThePreviousArchiveAndLogsTheFailure) {
    settings.overwrite = true;
    controls.project.suffix = SuffixMode::None;
    refreshField();
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    const std::string previous = readFile(archive("Docs.zip"));
    prompts.messages.clear();
    progress.events.clear();

    writeFile(src / "more.bin", randomBytes(50000, 9));
    progress.onFileName = failAtFile(3);
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Failed);
    expectOnlyMessage("Not enough room to write archive", MessageKind::Error);
    EXPECT_EQ(log.count(), 2);
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
    EXPECT_EQ(newestLog()[LogColumnInformation], "Not enough room to write archive");
    EXPECT_EQ(readFile(archive("Docs.zip")), previous);
    EXPECT_EQ(destNames(), Strings{"Docs.zip"}); // the partial archive is gone
    EXPECT_EQ(progress.events, (Strings{"disable", "strip", "no strip", "enable"}));
}

TEST_F(BackupRunFixture, AFailedRunAdvancesNothing) {
    controls.project.useLastBackupDate = true;
    const DateTime filter = controls.project.filterDateTime;
    progress.onFileName = failAtFile(1);
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Failed);
    EXPECT_EQ(controls.project.nextNumber, 1);
    EXPECT_EQ(controls.project.filterDateTime, filter);
    EXPECT_EQ(controls.fileNameField, archive("Docs1.zip"));
    EXPECT_FALSE(fs::exists(data / "project.ini"));
    EXPECT_FALSE(fs::exists(data / "StoreNumber.txt"));
    EXPECT_TRUE(destNames().empty());
}

TEST_F(BackupRunFixture, AnErrorAfterTheArchiveIsInPlaceKeepsIt) {
    fs::create_directories(data / "StoreNumber.txt"); // the ring cannot be written
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Failed);
    EXPECT_EQ(entries(archive("Docs1.zip")), (Strings{"a.txt", "b.bin", "c.txt"}));
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds"); // and no "Fails" after it
    EXPECT_EQ(log.count(), 1);
    EXPECT_EQ(prompts.messages.back().kind, MessageKind::Error);
    // The name is taken: the next run must not write it again.
    EXPECT_EQ(projectKey("Value"), "1");
    EXPECT_EQ(controls.project.nextNumber, 2);
}

TEST_F(BackupRunFixture, ASourceThatVanishedIsAFailureNotAnEmptyBackup) {
    controls.project.backupItems = {(dir / "unplugged/*.*").string(), (dir / "gone.txt").string()};
    BackupOutcome outcome = run();
    EXPECT_EQ(outcome.status, BackupStatus::Failed);
    EXPECT_EQ(prompts.messages.at(0).text, "None of the files and folders to back up exists, so no backup was made");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
    EXPECT_TRUE(destNames().empty());
    EXPECT_EQ(controls.project.nextNumber, 1);

    controls.project.backupItems.push_back((src / "a.txt").string()); // one item is there: go on
    ASSERT_EQ(run().status, BackupStatus::Incomplete);
    EXPECT_EQ(entries(archive("Docs1.zip")), Strings{"a.txt"});
}

TEST_F(BackupRunFixture, DestinationInsideTheSourceDoesNotTakeTheArchiveItReplaces) {
    dest = src / "backups";
    controls.project.savePath = dest.string() + "/";
    controls.project.suffix = SuffixMode::None;
    settings.overwrite = true;
    refreshField();
    writeFile(dest / "Older.zip", "an older archive of another name is backed up like any file");
    writeFile(dest / ".Docs.zip.k1ll3d00.part", "left behind by a run that was killed");
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(entries(archive("Docs.zip")), (Strings{"Older.zip", "a.txt", "b.bin", "c.txt"}));
}

TEST_F(BackupRunFixture, FilesThatCannotBeReadAreReported) {
    // The folder search yields regular files only; a listed file that cannot be read is the
    // case that reaches the writer (a pipe stands in for a file this user may not read).
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    controls.project.backupItems.push_back((dir / "pipe").string());
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(outcome.filesAdded, 3);
    const std::string note = "1 file could not be read and is missing";
    EXPECT_NE(prompts.messages.at(0).text.find("\rAttention:    " + note), std::string::npos);
    EXPECT_NE(newestLog()[LogColumnInformation].find("Kb; " + note), std::string::npos);
}

// The summary waits six seconds in the desktop program; a program closed meanwhile must have
// recorded the run already.
TEST_F(BackupRunFixture, EverythingIsRecordedBeforeTheSummaryIsShown) {
    struct Observing : ScriptedPrompts {
        std::function<void()> onTimed;
        void showTimedMessage(const std::string& text, MessageKind kind, int seconds) override {
            onTimed();
            ScriptedPrompts::showTimedMessage(text, kind, seconds);
        }
    } observing;
    controls.project.useLastBackupDate = true;
    bool checked = false;
    observing.onTimed = [&] {
        checked = true;
        EXPECT_EQ(log.count(), 1);
        EXPECT_EQ(projectKey("Value"), "1");
        EXPECT_EQ(projectKey("NewDateTime"), "2026-03-14 10:00:05");
        EXPECT_EQ(IniFile(data / "StoreNumber.txt").readString("Docs", "N1"), archive("Docs1.zip"));
        EXPECT_EQ(progress.events, (Strings{"disable", "strip"})); // still busy: no second run meanwhile
    };
    BackupRunner runner(DataFiles{data}, log, clock, disks);
    ASSERT_EQ(runner.run(controls, settings, observing, progress).status, BackupStatus::Succeeded);
    EXPECT_TRUE(checked);
}
