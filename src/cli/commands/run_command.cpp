#include "cli/commands/run_command.h"

#include "cli/cli_app.h"
#include "cli/commands/console_prompts.h"
#include "cli/commands/named_project.h"
#include "core/project/app_settings.h"
#include "core/project/project_store.h"
#include "core/schedule/unattended_backup.h"

namespace quorvel::cli {

std::string RunCommand::usage() const {
    return "run PROJECT           back up the project as Create Backup does (log, retention and\n"
           "                      project.ini included); exit 0 when it succeeded with every file, 1 otherwise";
}

int RunCommand::run(CliContext& context) {
    if (context.args.size() != 1) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const std::optional<NamedProject> found = findNamedProject(context, store, context.args[0]);
    if (!found)
        return ExitFailure;
    OperationLog log(context.data.logFile(), clock, loadSettingsAndProjects(found->doc).settings.logCount);
    log.LoadLog();
    SystemDiskInfo disks;
    ConsolePrompts prompts(context.out, context.err);
    RunProgress quiet;
    const BackupOutcome outcome = runProjectUnattended(UnattendedContext{context.data, clock, disks}, found->doc,
                                                       found->name, prompts, quiet, log);
    // An archive that had to leave files out is kept and logged, but it is not the backup asked for.
    return outcome.status == BackupStatus::Succeeded && outcome.unreadableFiles == 0 ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
