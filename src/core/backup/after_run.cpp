#include "core/backup/after_run.h"

#include "core/backup/backup_messages.h"
#include "core/backup/failure_report_step.h"
#include "core/backup/offsite_copy.h"
#include "core/mail/failure_report.h"
#include "core/zip/zip_errors.h"

namespace quorvel {

namespace {

void report(const AfterRunContext& run, OperationLog& log, std::string_view operation, std::string_view status,
            const std::string& information, MessageKind kind) {
    try {
        log.AppendLog(operation, status, information, run.project.name);
    } catch (const std::exception&) {
        // The message below still tells the person; a log that cannot be written is not worth
        // losing that for.
    }
    run.prompts.showTimedMessage(information, kind, BackupMessageSeconds);
}

} // namespace

std::vector<AfterRunAction> afterRunActions() {
    return {
        {OperationFtp, sendOffsiteCopy},
        {OperationEmail, sendFailureReportAfterRun},
    };
}

void runAfterRunActions(const AfterRunContext& run, OperationLog& log, const std::vector<AfterRunAction>& actions) {
    for (const AfterRunAction& action : actions) {
        std::optional<std::string> done;
        try {
            done = action.perform(run);
        } catch (const EUserCanceled& cancelled) {
            report(run, log, action.operation, StatusInterrupt, cancelled.what(), MessageKind::Warning);
            return;
        } catch (const std::exception& error) {
            report(run, log, action.operation, StatusFails, error.what(), MessageKind::Warning);
            continue;
        }
        if (done)
            report(run, log, action.operation, StatusSucceeds, *done, MessageKind::Information);
    }
}

} // namespace quorvel
