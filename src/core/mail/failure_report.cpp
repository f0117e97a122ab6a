#include "core/mail/failure_report.h"

#include "core/backup/operation_log.h"
#include "core/mail/email_account.h"
#include "core/mail/mail_error.h"
#include "core/mail/mail_message.h"
#include "core/mail/smtp_client.h"
#include "core/util/strings.h"

namespace quorvel {

namespace {

// Missing items named in a report at most; the log has them all.
constexpr std::size_t MaxListedItems = 20;

// The text on one line, for the log: each line break becomes a blank.
std::string oneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return trim(line);
}

// What happened, as the subject ends and the "Outcome" line says it.
std::pair<std::string, std::string> describe(const BackupOutcome& outcome) {
    switch (outcome.status) {
    case BackupStatus::Interrupted:
        return {"was interrupted", "Interrupted; no archive was made"};
    case BackupStatus::Incomplete:
        return {"is incomplete", "Fails: items to back up were missing"};
    case BackupStatus::Succeeded:
        return {"left files out", "Succeeds, but " + std::to_string(outcome.unreadableFiles) +
                                      " file(s) could not be read and are not in the archive"};
    case BackupStatus::Invalid:
        return {"failed", "Fails: the project's settings were refused; nothing was backed up"};
    default:
        break;
    }
    return {"failed", "Fails"};
}

TMailMessage reportMessage(const EmailAccount& account, std::string_view recipients, std::string_view project,
                           const BackupOutcome& outcome, std::string_view logLine, const Clock& clock) {
    const auto [headline, outcomeText] = describe(outcome);
    TMailMessage message;
    message.From = TEmailAddressItem::parse(trim(account.senderEmail));
    message.Recipients = parseAddressList(recipients);
    message.Subject = "Backup of '" + std::string(project) + "' " + headline;
    message.Body = {"The backup of '" + std::string(project) + "' " + headline + ".",
                    "",
                    "Project: " + std::string(project),
                    "Time:    " + formatDateTime(clock.now()),
                    "Outcome: " + outcomeText,
                    "Log:     " + oneLine(logLine.empty() ? std::string_view(outcome.message) : logLine)};
    if (!outcome.archivePath.empty())
        message.Body.push_back("Archive: " + outcome.archivePath);
    for (std::size_t i = 0; i < outcome.missingItems.size() && i < MaxListedItems; ++i)
        message.Body.push_back("Missing: " + outcome.missingItems[i]);
    if (outcome.missingItems.size() > MaxListedItems)
        message.Body.push_back("Missing: and " + std::to_string(outcome.missingItems.size() - MaxListedItems) +
                               " more");
    message.Body.insert(message.Body.end(), {"", "-- ", "Quorvel ZIP Backup"});
    return message;
}

std::string sentText(const std::string& recipients) {
    return "Failure report sent to " + recipients;
}

std::string notSentText(const std::string& recipients, const std::string& reason) {
    return "Failure report to " + recipients + " not sent: " + reason;
}

// Sends the report; raises whatever the account, the message or the server raised.
void deliverReport(const DataFiles& data, const std::string& recipients, std::string_view project,
                   const BackupOutcome& outcome, std::string_view logLine, const Clock& clock, Milliseconds timeout,
                   std::shared_ptr<CancelToken> cancel) {
    const EmailAccount account = loadEmailAccount(data.accountIni());
    const TMailMessage message = reportMessage(account, recipients, project, outcome, logLine, clock);
    TSmtpClient client;
    configureClient(client, account);
    client.ReadTimeout = client.ConnectTimeout = client.DataTimeout = client.DataEndTimeout =
        static_cast<int>(effectiveTimeout(timeout).count());
    if (cancel)
        client.setCancelToken(std::move(cancel));
    checkMessage(message);
    sendOnNewConnection(client, message);
}

} // namespace

bool deservesFailureReport(const BackupOutcome& outcome) {
    switch (outcome.status) {
    case BackupStatus::Failed:
    case BackupStatus::Invalid:
    case BackupStatus::Interrupted:
    case BackupStatus::Incomplete:
        return true;
    case BackupStatus::Succeeded:
        return outcome.unreadableFiles > 0;
    case BackupStatus::Declined:
    case BackupStatus::Refused:
        break;
    }
    return false;
}

std::optional<std::string> mailFailureReport(const DataFiles& data, std::string_view recipientsText,
                                             std::string_view project, const BackupOutcome& outcome,
                                             std::string_view logLine, const Clock& clock, Milliseconds timeout,
                                             std::shared_ptr<CancelToken> cancel) {
    const std::string recipients = trim(recipientsText);
    if (recipients.empty() || !deservesFailureReport(outcome))
        return std::nullopt;
    try {
        deliverReport(data, recipients, project, outcome, logLine, clock, timeout, std::move(cancel));
    } catch (const std::exception& e) {
        throw MailError(notSentText(recipients, oneLine(e.what())));
    }
    return sentText(recipients);
}

FailureReportResult sendFailureReport(const DataFiles& data, std::string_view recipientsText, std::string_view project,
                                      const BackupOutcome& outcome, std::string_view logLine, OperationLog& log,
                                      const Clock& clock, Milliseconds timeout, std::shared_ptr<CancelToken> cancel) {
    FailureReportResult result;
    const std::string recipients = trim(recipientsText);
    if (recipients.empty() || !deservesFailureReport(outcome))
        return result;
    try {
        deliverReport(data, recipients, project, outcome, logLine, clock, timeout, std::move(cancel));
        result.kind = FailureReportResult::Sent;
    } catch (const std::exception& e) {
        result.kind = FailureReportResult::NotSent;
        result.reason = oneLine(e.what());
    }
    try {
        if (result.kind == FailureReportResult::Sent)
            log.AppendLog(OperationEmail, StatusSucceeds, sentText(recipients), project);
        else
            log.AppendLog(OperationEmail, StatusFails, notSentText(recipients, result.reason), project);
    } catch (const std::exception&) {
        // The report's own entry is the last thing it does; a log that cannot be written has
        // already told the run so.
    }
    return result;
}

} // namespace quorvel
