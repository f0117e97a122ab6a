#include "cli/commands/run_command.h"

#include "cli/cli_app.h"
#include "cli/commands/console_prompts.h"
#include "core/backup/backup_runner.h"
#include "core/project/app_settings.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"

namespace quorvel::cli {

std::string RunCommand::usage() const {
    return "run PROJECT           back up the project as Create Backup does (log, retention and\n"
           "                      project.ini included); exit 0 when it succeeded, 1 otherwise";
}

int RunCommand::run(CliContext& context) {
    if (context.args.size() != 1) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const IniDocument doc = store.file().read();
    const std::vector<std::string> projects = ProjectStore::readProjectList(doc);
    const int index = findProjectName(projects, context.args[0]);
    if (index < 0) {
        context.err << "Project '" << context.args[0] << "' does not exist\n";
        return ExitFailure;
    }

    AppSettings settings = loadSettingsAndProjects(doc).settings;
    settings.promptBeforeBackup = false;
    BackupControls controls;
    controls.project = ProjectStore::fromDocument(doc, projects[static_cast<size_t>(index)], clock);
    controls.fileNameField = previewFileName(controls.project, settings, clock);

    OperationLog log(context.data.logFile(), clock, settings.logCount);
    log.LoadLog();
    SystemDiskInfo disks;
    ConsolePrompts prompts(context.out, context.err);
    BackupProgress quiet;
    const BackupOutcome outcome = BackupRunner(context.data, log, clock, disks).run(controls, settings, prompts, quiet);
    return outcome.status == BackupStatus::Succeeded ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
