#include "core/schedule/unattended_backup.h"

#include "core/backup/backup_messages.h"
#include "core/project/app_settings.h"
#include "core/project/project_store.h"

namespace quorvel {

BackupOutcome runProjectUnattended(const UnattendedContext& context, const IniDocument& projectIni,
                                   const std::string& project, UserPrompts& prompts, RunProgress& progress,
                                   OperationLog& log) {
    AppSettings settings = context.settings ? *context.settings : loadSettingsAndProjects(projectIni).settings;
    settings.promptBeforeBackup = false; // a copy: the program's own setting is never touched
    BackupControls controls;
    controls.project = ProjectStore::fromDocument(projectIni, project, context.clock);
    controls.fileNameField = previewFileName(controls.project, settings, context.clock);
    return BackupRunner(context.data, log, context.clock, context.disks).run(controls, settings, prompts, progress);
}

bool UnattendedPrompts::askYesNo(const std::string& text, MessageKind) {
    return decline(text, "No");
}

bool UnattendedPrompts::askOkCancel(const std::string& text, MessageKind) {
    return decline(text, "Cancel");
}

void UnattendedPrompts::showMessage(const std::string& text, MessageKind kind) {
    m_reporter.showTimedMessage(text, kind, BackupMessageSeconds);
}

void UnattendedPrompts::showTimedMessage(const std::string& text, MessageKind kind, int seconds) {
    m_reporter.showTimedMessage(text, kind, seconds);
}

bool UnattendedPrompts::decline(const std::string& text, const std::string& answer) {
    m_unanswered.emplace_back(text, answer);
    m_reporter.showTimedMessage(text + "\rNobody is there to answer: " + answer + " was taken.", MessageKind::Warning,
                                BackupMessageSeconds);
    return false;
}

} // namespace quorvel
