#include "backup_run_fixture.h"

#include "core/ini/ini_file.h"

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

using Strings = std::vector<std::string>;

namespace {

void stamp(const fs::path& file, const DateTime& when) {
    setModificationTime(file, toTimeT(when));
}

} // namespace

TEST_F(BackupRunFixture, DateFilterAddsFilesWrittenAtOrAfterTheFilterTime) {
    const DateTime filter{2026, 3, 14, 9, 0, 0};
    controls.project.onlyNewer = true;
    controls.project.filterDateTime = filter;
    stamp(src / "a.txt", filter);
    stamp(src / "b.bin", addSeconds(filter, -1));
    stamp(src / "sub/c.txt", addSeconds(filter, 1));
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(outcome.filesAdded, 2);
    EXPECT_EQ(entries(archive("Docs1.zip")), (Strings{"a.txt", "c.txt"}));
    std::sort(progress.fileNames.begin(), progress.fileNames.end());
    EXPECT_EQ(progress.fileNames, (Strings{"a.txt", "c.txt"})); // skipped files are not shown
    EXPECT_EQ(controls.project.filterDateTime, filter);         // not "Use last backup date"

    controls.project.onlyNewer = false; // the filter date no longer matters
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(entries(archive("Docs2.zip")), (Strings{"a.txt", "b.bin", "c.txt"}));
}

TEST_F(BackupRunFixture, UseLastBackupDateMovesTheFilterToThisRun) {
    controls.project.onlyNewer = true;
    controls.project.useLastBackupDate = true;
    clock.value = DateTime{2026, 3, 14, 10, 0, 5};
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(controls.project.filterDateTime, clock.value);
    EXPECT_EQ(projectKey("NewDateTime"), "2026-03-14 10:00:05");

    stamp(src / "a.txt", DateTime{2026, 3, 14, 10, 0, 5});
    stamp(src / "b.bin", DateTime{2026, 3, 14, 10, 0, 4});
    stamp(src / "sub/c.txt", DateTime{2026, 3, 14, 10, 0, 4});
    clock.value = DateTime{2026, 3, 14, 11, 0, 0};
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(entries(archive("Docs2.zip")), Strings{"a.txt"});
    EXPECT_EQ(projectKey("NewDateTime"), "2026-03-14 11:00:00");
}

// A file changed while the run reads the others may already be in the archive in its old form:
// the next run must take it again, so the filter moves to when the writer started, not ended.
TEST_F(BackupRunFixture, FilterMovesToTheStartOfTheWriterNotItsEnd) {
    controls.project.onlyNewer = true;
    controls.project.useLastBackupDate = true;
    clock.value = DateTime{2026, 3, 14, 10, 0, 5};
    progress.onFileName = [&](const std::string&) { clock.value = DateTime{2026, 3, 14, 10, 7, 0}; };
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(projectKey("NewDateTime"), "2026-03-14 10:00:05");
    EXPECT_EQ(newestLog()[LogColumnDate], "2026-03-14 10:07:00");
}

// A file the run could not read is not in this archive; were the filter to move past its date,
// no later run would take it again unless it changed.
TEST_F(BackupRunFixture, AFileThatCouldNotBeReadKeepsTheFilterWhereItWas) {
    const DateTime filter{2026, 3, 14, 9, 0, 0};
    controls.project.onlyNewer = true;
    controls.project.useLastBackupDate = true;
    controls.project.filterDateTime = filter;
    stamp(src / "a.txt", addSeconds(filter, 60));
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    controls.project.backupItems.push_back((dir / "pipe").string());
    clock.value = DateTime{2026, 3, 14, 10, 0, 5};
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(controls.project.filterDateTime, filter);
    EXPECT_NE(projectKey("NewDateTime"), "2026-03-14 10:00:05");

    controls.project.backupItems.pop_back(); // readable again: the filter moves on
    clock.value = DateTime{2026, 3, 14, 11, 0, 0};
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(projectKey("NewDateTime"), "2026-03-14 11:00:00");
}

TEST_F(BackupRunFixture, ARunThatAddsNothingStillSucceedsAndTakesASlot) {
    controls.project.onlyNewer = true;
    controls.project.filterDateTime = DateTime{2030, 1, 1, 0, 0, 0}; // every file is older
    BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
    EXPECT_EQ(outcome.filesAdded, 0);
    EXPECT_TRUE(entries(archive("Docs1.zip")).empty());
    EXPECT_EQ(prompts.messages.at(0).text.substr(0, 24), "Backup 0 Files Succeeds!");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");
    EXPECT_EQ(IniFile(data / "StoreNumber.txt").readString("Docs", "N1"), archive("Docs1.zip"));
}
