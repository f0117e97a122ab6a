// A scheduled run as nobody watches it: no question waits, every failure reaches the log, and a
// request to stop leaves no archive behind.
#include "core/backup/backup_run_fixture.h"
#include "core/project/project_store.h"
#include "core/schedule/scheduled_backup.h"
#include "support/ftp_test_server.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

class ScheduledBackup : public BackupRunFixture {
protected:
    ScheduledBackup() { saveProject(); }

    void saveProject() {
        ProjectStore store(data / "project.ini", clock);
        store.save(controls.project, controls.fileNameField);
        store.saveProjectList({"Docs", "Else"});
    }

    ScheduledRunReport runScheduled(RunProgress& using_) {
        const ScheduledRun due{"docs", DateTime{2026, 3, 14, 8, 0, 0}};
        return runScheduledBackup(UnattendedContext{DataFiles{data}, clock, disks}, due, prompts, using_, log);
    }
    ScheduledRunReport runScheduled() { return runScheduled(progress); }
};

} // namespace

TEST_F(ScheduledBackup, ASucceededRunIsNotShownAndLogsOnce) {
    settings.promptBeforeBackup = true;
    IniFile(data / "project.ini").writeBool("Common", "PromptBeforeBackup", true);
    const ScheduledRunReport report = runScheduled();
    EXPECT_EQ(report.outcome.status, BackupStatus::Succeeded) << report.outcome.message;
    EXPECT_TRUE(prompts.questions.empty()); // the question before the run is left out
    EXPECT_FALSE(report.mustBeShown());
    EXPECT_EQ(report.headline(), "'Docs': Succeeds: 3 files added to " + archive("Docs1.zip"));
    EXPECT_EQ(log.count(), 1);
    EXPECT_EQ(IniFile(data / "project.ini").readString("Common", "PromptBeforeBackup"), "1");
}

TEST_F(ScheduledBackup, AQuestionTakesItsSafeAnswerAndTheLogSaysSo) {
    fs::remove_all(src);
    writeFile(src / "big.bin", randomBytes(300000, 3));
    disks.type = DriveType::Removable; // disks of 100 KB: the run asks for a second one
    disks.free = 100000;
    const ScheduledRunReport report = runScheduled();
    const std::string question = "Please insert disk number 2 of the spanned Zip file";
    EXPECT_EQ(report.outcome.status, BackupStatus::Interrupted);
    ASSERT_EQ(report.unanswered.size(), 1u);
    EXPECT_EQ(report.unanswered[0], std::make_pair(question, std::string("Cancel")));
    EXPECT_TRUE(prompts.questions.empty());
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages[0].text, question + "\rNobody is there to answer: Cancel was taken.");
    EXPECT_EQ(prompts.messages[0].seconds, 6);
    EXPECT_TRUE(report.mustBeShown());
    EXPECT_EQ(report.statusText(), "Interrupt");
    ASSERT_EQ(log.count(), 2);
    EXPECT_EQ(log.row(2)[LogColumnInformation], "User canceled Zip operation");
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Interrupt");
    EXPECT_EQ(log.row(1)[LogColumnInformation],
              "Scheduled run: nobody was there to answer '" + question + "'; it took Cancel");
    EXPECT_TRUE(destNames().empty());
}

TEST_F(ScheduledBackup, AFailedInputCheckIsLoggedAndShownWithoutWaitingForAClick) {
    controls.project.backupItems.clear();
    saveProject();
    const ScheduledRunReport report = runScheduled();
    EXPECT_EQ(report.outcome.status, BackupStatus::Invalid);
    expectOnlyMessage("Please select files to backup", MessageKind::Error, 6);
    EXPECT_TRUE(report.mustBeShown());
    EXPECT_EQ(report.headline(), "'Docs': Fails: Please select files to backup");
    ASSERT_EQ(log.count(), 1);
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Fails");
    EXPECT_EQ(log.row(1)[LogColumnProject], "Docs");
    EXPECT_EQ(log.row(1)[LogColumnInformation], "Scheduled run: Please select files to backup");
}

TEST_F(ScheduledBackup, AProjectGoneFromTheListIsSkipped) {
    IniFile(data / "project.ini").edit([](IniDocument& doc) { ProjectStore::writeProjectList(doc, {"Else"}); });
    const ScheduledRunReport report = runScheduled();
    EXPECT_TRUE(report.projectMissing);
    EXPECT_FALSE(report.mustBeShown());
    EXPECT_EQ(report.statusText(), "Skipped");
    EXPECT_EQ(log.count(), 0);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ScheduledBackup, AStopRequestEndsTheRunCleanly) {
    writeFile(src / "more.bin", randomBytes(400000, 4));
    int blocks = 0;
    StoppableProgress stopping([&blocks] { return ++blocks > 3; });
    const ScheduledRunReport report = runScheduled(stopping);
    EXPECT_EQ(report.outcome.status, BackupStatus::Interrupted);
    EXPECT_EQ(report.outcome.message, SchedulerStoppedMessage);
    EXPECT_TRUE(destNames().empty()) << "no archive, and no hidden piece of one";
    ASSERT_EQ(log.count(), 1);
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Interrupt");
    EXPECT_EQ(log.row(1)[LogColumnInformation], SchedulerStoppedMessage);
    EXPECT_EQ(IniFile(data / "project.ini").readString("Docs", "Value", "(none)"), "0"); // the number stays
}

// A scheduled run sends its off-site copy too; the copy's entry is not taken for the run's own, and
// a copy that fails is logged and shown but the run stays a success that needs no attention.
TEST_F(ScheduledBackup, TheOffsiteCopyFollowsAndNeverChangesTheRunsReport) {
    const fs::path root = dir / "server";
    fs::create_directories(root);
    auto server = std::make_unique<FtpTestServer>(root);
    ASSERT_TRUE(server->running()) << server->error();
    addTestServerSite(data / "account.ini", "Home NAS", server->port());
    controls.project.ftpSite = "Home NAS";
    controls.project.ftpFolder = "nightly";
    saveProject();

    ScheduledRunReport report = runScheduled();
    EXPECT_EQ(report.outcome.status, BackupStatus::Succeeded) << report.outcome.message;
    EXPECT_FALSE(report.mustBeShown());
    EXPECT_EQ(report.headline(), "'Docs': Succeeds: 3 files added to " + archive("Docs1.zip"));
    EXPECT_EQ(readFile(root / "nightly/Docs1.zip"), readFile(archive("Docs1.zip")));
    ASSERT_EQ(log.count(), 2); // no "Scheduled run:" entry as for a run that logged nothing
    EXPECT_EQ(log.row(2)[LogColumnOperation], "Backup");
    EXPECT_EQ(log.row(1)[LogColumnOperation], "FTP");
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Succeeds");

    server.reset(); // down for the next run
    report = runScheduled();
    EXPECT_EQ(report.outcome.status, BackupStatus::Succeeded) << report.outcome.message;
    EXPECT_FALSE(report.mustBeShown());
    ASSERT_EQ(log.count(), 4);
    EXPECT_EQ(log.row(2)[LogColumnStatus], "Succeeds");
    EXPECT_EQ(log.row(1)[LogColumnOperation], "FTP");
    EXPECT_EQ(log.row(1)[LogColumnStatus], "Fails");
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back().text, log.row(1)[LogColumnInformation]);
    EXPECT_EQ(destNames(), (std::vector<std::string>{"Docs1.zip", "Docs2.zip"}));
    EXPECT_EQ(IniFile(data / "project.ini").readString("Docs", "Value", "(none)"), "2");
}
