// The report mailed after a backup that failed, against a real SMTP server on 127.0.0.1.
#include "core/backup/backup_run_fixture.h"
#include "core/ini/ini_file.h"
#include "core/mail/email_account.h"
#include "core/mail/failure_report.h"
#include "core/mail/mail_error.h"
#include "core/project/app_settings.h"
#include "support/smtp_test_server.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A port of 127.0.0.1 where nothing listens.
int closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

class FailureReport : public BackupRunFixture {
protected:
    std::unique_ptr<SmtpTestServer> server;

    void SetUp() override {
        server = std::make_unique<SmtpTestServer>(dir / "received");
        ASSERT_TRUE(server->running()) << server->error();
        useServerOn(server->port());
        settings.failureReportTo = "owner@example.org";
    }
    void useServerOn(int port) {
        EmailAccount account;
        account.senderEmail = "backup@example.org";
        account.port = std::to_string(port);
        account.type = 0;
        saveEmailAccount(data / "account.ini", account);
    }
    // A run that leaves an item out: the archive is made, the run is incomplete.
    BackupOutcome incompleteRun() {
        controls.project.backupItems.push_back((dir / "gone.txt").string());
        return run();
    }
    FailureReportResult report(const BackupOutcome& outcome) {
        return sendFailureReport(DataFiles{data}, settings.failureReportTo, "Docs", outcome,
                                 newestLog()[LogColumnInformation], log, clock, std::chrono::seconds(20));
    }
};

} // namespace

TEST_F(FailureReport, AFailedBackupSendsOneReportNamingTheProject) {
    const BackupOutcome outcome = incompleteRun();
    ASSERT_EQ(outcome.status, BackupStatus::Incomplete) << outcome.message;
    const std::string runLogLine = newestLog()[LogColumnInformation];
    const int entriesBefore = log.count();
    const FailureReportResult result = report(outcome);
    EXPECT_EQ(result.kind, FailureReportResult::Sent) << result.reason;
    const std::vector<ReceivedMail> mails = server->messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, "Backup of 'Docs' is incomplete");
    EXPECT_EQ(mails[0].facts.at("rcpt_tos"), "owner@example.org");
    EXPECT_EQ(mails[0].facts.at("mail_from"), "backup@example.org");
    EXPECT_NE(mails[0].text.find("Project: Docs\n"), std::string::npos) << mails[0].text;
    EXPECT_NE(mails[0].text.find("Time:    2026-03-14 10:00:05\n"), std::string::npos) << mails[0].text;
    EXPECT_NE(mails[0].text.find("Log:     " + runLogLine + "\n"), std::string::npos) << mails[0].text;
    EXPECT_NE(mails[0].text.find("Missing: " + (dir / "gone.txt").string()), std::string::npos) << mails[0].text;
    ASSERT_EQ(log.count(), entriesBefore + 1);
    EXPECT_EQ(newestLog()[LogColumnOperation], "Email");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");
    EXPECT_EQ(newestLog()[LogColumnProject], "Docs");
    EXPECT_EQ(newestLog()[LogColumnInformation], "Failure report sent to owner@example.org");

    // For a caller that logs for itself: the entry's text returned, nothing logged.
    EXPECT_EQ(mailFailureReport(DataFiles{data}, " owner@example.org ", "Docs", outcome, runLogLine, clock),
              std::optional<std::string>("Failure report sent to owner@example.org"));
    EXPECT_EQ(log.count(), entriesBefore + 1);
    EXPECT_EQ(server->messages().size(), 2u);
}

TEST_F(FailureReport, ADownMailServerLeavesTheBackupAsItWasAndLogsTheReportAsFailed) {
    const BackupOutcome outcome = incompleteRun();
    const LogRow runEntry = newestLog();
    useServerOn(closedPort());
    const FailureReportResult result = report(outcome);
    EXPECT_EQ(result.kind, FailureReportResult::NotSent);
    EXPECT_NE(result.reason.find("Connection refused"), std::string::npos) << result.reason;
    EXPECT_EQ(outcome.status, BackupStatus::Incomplete);
    EXPECT_EQ(log.row(2), runEntry);
    EXPECT_EQ(newestLog()[LogColumnOperation], "Email");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Fails");
    EXPECT_EQ(newestLog()[LogColumnInformation], "Failure report to owner@example.org not sent: " + result.reason);
    EXPECT_TRUE(server->messages().empty());

    // For a caller that logs for itself: the same text raised, nothing logged.
    const int entries = log.count();
    try {
        mailFailureReport(DataFiles{data}, settings.failureReportTo, "Docs", outcome, "", clock,
                          std::chrono::seconds(20));
        ADD_FAILURE() << "no error raised";
    } catch (const MailError& e) {
        EXPECT_EQ(e.what(), newestLog()[LogColumnInformation]);
    }
    EXPECT_EQ(log.count(), entries);
}

TEST_F(FailureReport, NothingIsSentAfterAFullSuccessOrWithoutARecipient) {
    const BackupOutcome success = run();
    ASSERT_EQ(success.status, BackupStatus::Succeeded) << success.message;
    const int entries = log.count();
    EXPECT_EQ(report(success).kind, FailureReportResult::NotNeeded);
    EXPECT_EQ(mailFailureReport(DataFiles{data}, settings.failureReportTo, "Docs", success, "", clock), std::nullopt);
    const BackupOutcome incomplete = incompleteRun();
    settings.failureReportTo = "  ";
    EXPECT_EQ(report(incomplete).kind, FailureReportResult::NotNeeded);
    EXPECT_EQ(log.count(), entries + 1); // the incomplete run's own entry, no report's
    EXPECT_TRUE(server->messages().empty());

    BackupOutcome unreadable = success;
    unreadable.unreadableFiles = 2;
    EXPECT_TRUE(deservesFailureReport(unreadable));
    for (const BackupStatus status : {BackupStatus::Declined, BackupStatus::Refused})
        EXPECT_FALSE(deservesFailureReport(BackupOutcome{status}));
    for (const BackupStatus status :
         {BackupStatus::Failed, BackupStatus::Invalid, BackupStatus::Interrupted, BackupStatus::Incomplete})
        EXPECT_TRUE(deservesFailureReport(BackupOutcome{status}));
}

// Every run reports after itself, whoever started it, once the data folder names a recipient;
// the report follows the run's own entry and a full success sends nothing.
TEST_F(FailureReport, ARunMailsItsOwnReportWhenThePreferencesNameSomeone) {
    IniFile ini(data / "project.ini");
    writeFailureReportTo(ini, "owner@example.org");
    const BackupOutcome outcome = incompleteRun();
    ASSERT_EQ(outcome.status, BackupStatus::Incomplete) << outcome.message;
    const std::vector<ReceivedMail> mails = server->messages();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].subject, "Backup of 'Docs' is incomplete");
    EXPECT_NE(mails[0].text.find("Log:     " + log.row(2)[LogColumnInformation] + "\n"), std::string::npos)
        << mails[0].text;
    EXPECT_EQ(log.row(2)[LogColumnOperation], "Backup");
    EXPECT_EQ(newestLog()[LogColumnOperation], "Email");
    EXPECT_EQ(newestLog()[LogColumnStatus], "Succeeds");

    controls.project.backupItems.pop_back();
    ASSERT_EQ(run().status, BackupStatus::Succeeded);
    EXPECT_EQ(server->messages().size(), 1u);
    EXPECT_EQ(newestLog()[LogColumnOperation], "Backup");
}
