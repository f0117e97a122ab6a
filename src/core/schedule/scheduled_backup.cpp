#include "core/schedule/scheduled_backup.h"

#include "core/backup/backup_messages.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"
#include "core/zip/zip_errors.h"

namespace quorvel {

namespace {

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

// The log entry of a scheduled run that would otherwise be missing or misleading.
void logWhatNobodySaw(const ScheduledRunReport& report, bool runLogged, OperationLog& log) {
    const BackupStatus status = report.outcome.status;
    if (status == BackupStatus::Succeeded || report.refused() || report.projectMissing)
        return;
    if (!report.unanswered.empty()) {
        const auto& [question, answer] = report.unanswered.front();
        log.AppendLog(OperationBackup, StatusInterrupt,
                      "Scheduled run: nobody was there to answer '" + firstLine(question) + "'; it took " + answer,
                      report.run.projectName);
    } else if (!runLogged) {
        log.AppendLog(OperationBackup, StatusFails, "Scheduled run: " + firstLine(report.outcome.message),
                      report.run.projectName);
    }
}

} // namespace

bool ScheduledRunReport::mustBeShown() const {
    switch (outcome.status) {
    case BackupStatus::Succeeded:
        return outcome.unreadableFiles > 0;
    case BackupStatus::Refused:
        return false;
    case BackupStatus::Declined:
        return !projectMissing;
    case BackupStatus::Invalid:
    case BackupStatus::Interrupted:
    case BackupStatus::Failed:
    case BackupStatus::Incomplete:
        break;
    }
    return true;
}

std::string ScheduledRunReport::statusText() const {
    if (projectMissing)
        return "Skipped";
    switch (outcome.status) {
    case BackupStatus::Succeeded:
        return std::string(StatusSucceeds);
    case BackupStatus::Refused:
        return "Busy";
    case BackupStatus::Declined:
    case BackupStatus::Interrupted:
        return std::string(StatusInterrupt);
    case BackupStatus::Invalid:
    case BackupStatus::Failed:
    case BackupStatus::Incomplete:
        break;
    }
    return std::string(StatusFails);
}

std::string ScheduledRunReport::headline() const {
    std::string detail;
    if (outcome.status == BackupStatus::Succeeded) {
        BackupSummary summary;
        summary.filesAdded = outcome.filesAdded;
        summary.archivePath = outcome.archivePath;
        summary.unreadableFiles = outcome.unreadableFiles;
        detail = runLogText(summary);
    } else {
        detail = firstLine(outcome.message);
    }
    return "'" + run.projectName + "': " + statusText() + (detail.empty() ? "" : ": " + detail);
}

ScheduledRunReport runScheduledBackup(const UnattendedContext& context, const ScheduledRun& run, UserPrompts& reporter,
                                      RunProgress& progress, OperationLog& log) {
    ScheduledRunReport report;
    report.run = run;
    const IniDocument projectIni = IniFile(context.data.projectIni()).read();
    const std::vector<std::string> projects = ProjectStore::readProjectList(projectIni);
    const int index = findProjectName(projects, run.projectName);
    if (index < 0) {
        report.projectMissing = true;
        report.outcome.message = "The project '" + run.projectName + "' does not exist any more";
        return report;
    }
    report.run.projectName = projects[static_cast<std::size_t>(index)];
    UnattendedPrompts prompts(reporter);
    const LogRow newestBefore = log.row(1);
    report.outcome = runProjectUnattended(context, projectIni, report.run.projectName, prompts, progress, log);
    report.unanswered = prompts.unanswered();
    // The run's own entry counts, not those of the work after it (an off-site copy).
    const bool runLogged = entryAppendedSince(log, newestBefore, OperationBackup, report.run.projectName).has_value();
    logWhatNobodySaw(report, runLogged, log);
    return report;
}

void StoppableProgress::processMessages() {
    if (m_stopRequested && m_stopRequested())
        throw EUserCanceled(std::string(SchedulerStoppedMessage));
}

} // namespace quorvel
