#pragma once

#include "core/backup/backup_runner.h"
#include "core/net/net_options.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

class CancelToken;
class Clock;
class OperationLog;

// The operation a failure report is logged under.
inline constexpr std::string_view OperationEmail = "Email";

// Whether a run ended in a way its owner should hear about by mail: it failed (its input check
// included), was interrupted, left items out, or left out files it could not read.
bool deservesFailureReport(const BackupOutcome& outcome);

struct FailureReportResult {
    enum Kind { NotNeeded, Sent, NotSent };
    Kind kind = NotNeeded;
    std::string reason; // why it was not sent
};

// The report of a backup run, for a caller that logs its outcome itself (a step after the run
// logged under OperationEmail). When the run deserves a report and `recipients` (the preferences'
// comma-separated failure-report addresses) names someone, sends one short mail through the
// email account of data.accountIni(): the project, the time (the clock's), the outcome with its
// summary (`outcome.message`) and the run's log line (`logLine`: the information of the log entry
// the run wrote; empty: the summary). Returns nothing when no report was due, and the information
// of an "Email" "Succeeds" entry when the server accepted the mail; raises MailError whose text is
// the information of a "Fails" entry otherwise. Blocks until the server has answered or a time-out
// (`timeout` for each wait) has passed; `cancel` stops it from another thread.
std::optional<std::string> mailFailureReport(const DataFiles& data, std::string_view recipients,
                                             std::string_view project, const BackupOutcome& outcome,
                                             std::string_view logLine, const Clock& clock,
                                             Milliseconds timeout = DefaultNetTimeout,
                                             std::shared_ptr<CancelToken> cancel = nullptr);

// The same for a caller that only wants it done: its outcome is appended to `log` as operation
// "Email", status "Succeeds" or "Fails" with the reason, for the project, and returned. Never
// raises and never touches the run's outcome: a report that cannot be sent is logged and
// returned, nothing more.
FailureReportResult sendFailureReport(const DataFiles& data, std::string_view recipients, std::string_view project,
                                      const BackupOutcome& outcome, std::string_view logLine, OperationLog& log,
                                      const Clock& clock, Milliseconds timeout = DefaultNetTimeout,
                                      std::shared_ptr<CancelToken> cancel = nullptr);

} // namespace quorvel
