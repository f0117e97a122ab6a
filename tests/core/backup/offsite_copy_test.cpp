// The work after a backup run, and the off-site copy against a real FTP server on 127.0.0.1.
#include "backup_run_fixture.h"
#include "support/test_clock.h"

#include "core/backup/after_run.h"
#include "core/backup/offsite_copy.h"
#include "core/ftp/ftp_site.h"
#include "core/ini/ini_file.h"
#include "core/zip/zip_errors.h"
#include "support/ftp_test_server.h"
#include "support/scripted_server.h"

#include <atomic>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A port of 127.0.0.1 on which nothing listens: a server that is down.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        ADD_FAILURE() << "no port";
    ::close(fd);
    return ntohs(address.sin_port);
}

// The window's progress, whose Cancel is pressed as soon as the upload shows.
class CancellingProgress final : public RunProgress {
public:
    std::vector<std::string> fileNames;
    void setProgressFileName(const std::string& name) override { fileNames.push_back(name); }
    void processMessages() override {
        if (!fileNames.empty() && fileNames.back().starts_with("Uploading"))
            throw EUserCanceled("Canceled by the user");
    }
};

class OffsiteCopy : public BackupRunFixture {
protected:
    OffsiteCopy() {
        controls.project.ftpSite = "Home NAS";
        controls.project.ftpFolder = "/backups/docs";
    }

    void startServer() {
        fs::create_directories(root);
        server = std::make_unique<FtpTestServer>(root);
        if (!server->running())
            GTEST_FAIL() << server->error();
        addSite(server->port());
    }
    void addSite(int port) { addTestServerSite(data / "account.ini", "Home NAS", port); }
    std::string storeKey(const std::string& key) const {
        return IniFile(data / "StoreNumber.txt").readString("Docs", key, "(missing)");
    }
    // The operation, status and information of a log row.
    std::vector<std::string> logged(int row) const {
        const LogRow& entry = log.row(row);
        return {entry[LogColumnOperation], entry[LogColumnStatus], entry[LogColumnInformation]};
    }

    fs::path root = dir / "server";
    std::unique_ptr<FtpTestServer> server;
};

using Strings = std::vector<std::string>;

TEST_F(OffsiteCopy, TheArchiveGoesUpByteIdenticalAndIsLoggedAsItsOwnOperation) {
    startServer();
    const BackupOutcome outcome = run();
    ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;

    const fs::path copy = root / "backups/docs/Docs1.zip";
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(readFile(copy), readFile(archive("Docs1.zip")));
    EXPECT_EQ(namesIn(root / "backups/docs"), Strings{"Docs1.zip"}); // no temporary left
    EXPECT_EQ(logged(1),
              (Strings{"FTP", "Succeeds", "Docs1.zip copied to the FTP site 'Home NAS' as /backups/docs/Docs1.zip"}));
    EXPECT_EQ(log.row(1)[LogColumnProject], "Docs");
    EXPECT_EQ(logged(2)[0], "Backup");
    EXPECT_EQ(logged(2)[1], "Succeeds");

    // The summary first, then the copy's own message; the strip showed the upload.
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(prompts.messages[0].text.starts_with("Backup 3 Files Succeeds!"));
    EXPECT_EQ(prompts.messages[1].text, logged(1)[2]);
    EXPECT_EQ(prompts.messages[1].kind, MessageKind::Information);
    EXPECT_EQ(progress.fileNames.back(), "Uploading Docs1.zip to the FTP site 'Home NAS'...");
    EXPECT_EQ(progress.events,
              (Strings{"disable", "strip", "no strip", "enable", "disable", "strip", "no strip", "enable"}));

    // Copies on the server are never deleted: retention there is the server's business.
    controls.project.storeNumber = 2;
    run();
    run();
    EXPECT_EQ(namesIn(root / "backups/docs"), (Strings{"Docs1.zip", "Docs2.zip", "Docs3.zip"}));
    EXPECT_FALSE(fs::exists(archive("Docs1.zip")));
}

TEST_F(OffsiteCopy, AServerThatIsDownLeavesTheBackupAndItsRetentionAsTheyWere) {
    addSite(closedPort());
    controls.project.storeNumber = 2;
    for (int n = 1; n <= 3; ++n) {
        const BackupOutcome outcome = run();
        ASSERT_EQ(outcome.status, BackupStatus::Succeeded) << outcome.message;
        EXPECT_EQ(logged(2)[1], "Succeeds");
        EXPECT_EQ(logged(1)[0], "FTP");
        EXPECT_EQ(logged(1)[1], "Fails");
        const std::string reason = "Docs" + std::to_string(n) + ".zip was not copied to the FTP site 'Home NAS': ";
        EXPECT_TRUE(logged(1)[2].starts_with(reason)) << logged(1)[2];
        EXPECT_GT(logged(1)[2].size(), reason.size()); // the reason itself
        EXPECT_EQ(prompts.messages.back().text, logged(1)[2]);
        EXPECT_EQ(prompts.messages.back().kind, MessageKind::Warning);
    }
    // The ring, the number and the retention went on as without the copy.
    EXPECT_EQ(destNames(), (Strings{"Docs2.zip", "Docs3.zip"}));
    EXPECT_EQ(storeKey("Head"), "1");
    EXPECT_EQ(storeKey("N1"), archive("Docs3.zip"));
    EXPECT_EQ(projectKey("Value"), "3");
    EXPECT_EQ(controls.project.nextNumber, 4);
}

TEST_F(OffsiteCopy, RunsWithoutACompleteArchiveSendNothing) {
    startServer();
    fs::remove_all(src);
    EXPECT_EQ(run().status, BackupStatus::Failed);
    EXPECT_EQ(logged(1)[0], "Backup");
    EXPECT_EQ(logged(1)[1], "Fails");
    EXPECT_EQ(log.count(), 1);

    controls.project.suffix = SuffixMode::None;
    refreshField();
    writeFile(dest / "Docs.zip", "an older archive");
    EXPECT_EQ(run().status, BackupStatus::Interrupted); // exists, overwrite off
    EXPECT_EQ(logged(1)[1], "Interrupt");
    EXPECT_EQ(log.count(), 2);
    EXPECT_TRUE(namesIn(root).empty());
}

TEST_F(OffsiteCopy, AnIncompleteArchiveIsKeptAndSoSent) {
    startServer();
    controls.project.backupItems.push_back((dir / "unplugged/*.*").string());
    ASSERT_EQ(run().status, BackupStatus::Incomplete);
    EXPECT_EQ(logged(2)[1], "Fails");
    EXPECT_EQ(logged(1)[1], "Succeeds");
    EXPECT_EQ(readFile(root / "backups/docs/Docs1.zip"), readFile(archive("Docs1.zip")));
}

TEST_F(OffsiteCopy, ASiteRemovedSinceTheSaveFailsTheCopyNotTheBackup) {
    controls.project.ftpSite = "Gone";
    EXPECT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(logged(1), (Strings{"FTP", "Fails",
                                  "Docs1.zip was not copied to the FTP site 'Gone': the site does not exist in Site "
                                  "Settings any more"}));

    // A project without a site behaves as it always has.
    controls.project.ftpSite.clear();
    prompts.messages.clear();
    EXPECT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(logged(1)[0], "Backup");
    EXPECT_EQ(prompts.messages.size(), 1u);
}

// The server accepts the connection and says nothing: only the cancel can end the wait for its
// greeting before the site's time-out of 30 seconds.
TEST_F(OffsiteCopy, CancelStopsTheUploadEvenWhileTheServerIsSilent) {
    std::atomic<bool> hungUp{false}; // within the scripted server's few seconds
    ScriptedServer silent([&hungUp](ScriptedPeer& peer) { hungUp = peer.waitForClose(); });
    addSite(silent.port());
    CancellingProgress cancelling;
    BackupRunner runner(DataFiles{data}, log, clock, disks);
    const BackupOutcome outcome = runner.run(controls, settings, prompts, cancelling);
    silent.finish();

    EXPECT_EQ(outcome.status, BackupStatus::Succeeded);
    EXPECT_EQ(logged(1),
              (Strings{"FTP", "Interrupt", "The copy of Docs1.zip to the FTP site 'Home NAS' was cancelled"}));
    EXPECT_EQ(logged(2)[1], "Succeeds");
    EXPECT_TRUE(hungUp);
    EXPECT_TRUE(silent.heard().empty());
    EXPECT_EQ(silent.failure(), "");
}

// The work after a run, with actions of the test's own.
struct AfterRun : ::testing::Test {
    TempDir dir;
    TestClock clock{DateTime{2026, 3, 14, 10, 0, 5}};
    OperationLog log{dir / "log.txt", clock};
    ScriptedPrompts prompts;
    RunProgress progress;
    BackupOutcome outcome;
    BackupProject project;
    DataFiles data{dir.path()};
    std::optional<LogRow> runLog;
    AfterRunContext context() { return {outcome, project, data, clock, runLog, prompts, progress}; }
};

TEST_F(AfterRun, EachActionIsLoggedAndShownAndAFailureStopsNoOther) {
    project.name = "Docs";
    Strings order;
    auto action = [&](std::string_view operation, std::function<std::optional<std::string>()> body) {
        return AfterRunAction{operation, [&order, operation, body](const AfterRunContext&) {
                                  order.emplace_back(operation);
                                  return body();
                              }};
    };
    runAfterRunActions(context(), log,
                       {action("A", [] { return std::optional<std::string>(); }),
                        action("B", []() -> std::optional<std::string> { throw Error(ErrorKind::Io, "B failed"); }),
                        action("C", [] { return std::optional<std::string>("C done"); }),
                        action("D", []() -> std::optional<std::string> { throw EUserCanceled("D cancelled"); }),
                        action("E", [] { return std::optional<std::string>("E done"); })});
    EXPECT_EQ(order, (Strings{"A", "B", "C", "D"})); // a cancel ends the work
    ASSERT_EQ(log.count(), 3);
    EXPECT_EQ(log.row(3)[LogColumnOperation] + log.row(3)[LogColumnStatus] + log.row(3)[LogColumnInformation],
              "BFailsB failed");
    EXPECT_EQ(log.row(2)[LogColumnOperation] + log.row(2)[LogColumnStatus] + log.row(2)[LogColumnInformation],
              "CSucceedsC done");
    EXPECT_EQ(log.row(1)[LogColumnOperation] + log.row(1)[LogColumnStatus] + log.row(1)[LogColumnInformation],
              "DInterruptD cancelled");
    EXPECT_EQ(log.row(1)[LogColumnProject], "Docs");
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[1].kind, MessageKind::Information);
    EXPECT_EQ(prompts.messages[2].kind, MessageKind::Warning);
}

TEST_F(AfterRun, AnArchiveSpreadOverRemovableDisksIsNotSent) {
    project.ftpSite = "Home NAS";
    outcome.status = BackupStatus::Succeeded;
    outcome.archivePath = (dir / "Docs1.zip").string();
    outcome.disks = 3;
    try {
        sendOffsiteCopy(context());
        ADD_FAILURE() << "sent";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Docs1.zip was not copied to the FTP site 'Home NAS': it spans 3 removable "
                  "disks, and only an archive in one file can be copied");
    }
    outcome.disks = 1;
    for (BackupStatus status : {BackupStatus::Declined, BackupStatus::Invalid, BackupStatus::Interrupted,
                                BackupStatus::Failed, BackupStatus::Refused}) {
        outcome.status = status;
        EXPECT_EQ(sendOffsiteCopy(context()), std::nullopt);
    }
    EXPECT_EQ(remotePathIn("", "a.zip"), "a.zip");
    EXPECT_EQ(remotePathIn("up/", "a.zip"), "up/a.zip");
}

TEST_F(AfterRun, TheRunsOwnEntryIsFoundBehindTheEntriesThatFollowIt) {
    log.AppendLog("Backup", "Succeeds", "older", "Docs");
    const LogRow before = log.row(1);
    EXPECT_EQ(entryAppendedSince(log, before, "Backup", "Docs"), std::nullopt);
    log.AppendLog("Backup", "Fails", "this run", "Docs");
    log.AppendLog("FTP", "Fails", "its copy", "Docs");
    const std::optional<LogRow> found = entryAppendedSince(log, before, "Backup", "Docs");
    ASSERT_TRUE(found);
    EXPECT_EQ((*found)[LogColumnInformation], "this run");
    EXPECT_EQ(entryAppendedSince(log, before, "Backup", "Other"), std::nullopt);
}

} // namespace
