#include "cli/commands/restore_command.h"

#include "cli/cli_app.h"
#include "cli/commands/archive_args.h"
#include "cli/commands/console_prompts.h"
#include "core/backup/operation_log.h"
#include "core/project/app_settings.h"
#include "core/project/project_names.h"
#include "core/project/project_store.h"
#include "core/restore/restore_session.h"

#include <filesystem>

namespace quorvel::cli {

std::string RestoreCommand::usage() const {
    return "restore PROJECT ARCHIVE [--password-file FILE] [MASK...]\n"
           "    Restores the archive, or its entries matching a MASK, with the project's restore options\n"
           "    as the Restore page does (existing files are kept where the page would ask); logs it and\n"
           "    keeps the options in the project; exit 0 when every file was restored, 1 otherwise";
}

int RestoreCommand::run(CliContext& context) {
    std::vector<std::string> positional;
    std::string password;
    ArgCursor args(context.args);
    while (!args.atEnd()) {
        std::string arg = args.take();
        if (arg == "--password-file") {
            std::optional<std::string> file = args.value();
            if (!file) {
                context.err << usageText();
                return ExitUsage;
            }
            password = readPasswordFile(*file);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) {
        context.err << usageText();
        return ExitUsage;
    }

    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const IniDocument doc = store.file().read();
    const std::vector<std::string> projects = ProjectStore::readProjectList(doc);
    const int index = findProjectName(projects, positional[0]);
    if (index < 0) {
        context.err << "Project '" << positional[0] << "' does not exist\n";
        return ExitFailure;
    }
    const std::string& project = projects[static_cast<size_t>(index)];

    OperationLog log(context.data.logFile(), clock, loadSettingsAndProjects(doc).settings.logCount);
    log.LoadLog();
    ConsolePrompts prompts(context.out, context.err);
    BackupProgress quiet;
    ArchiveQuestions noDialog;
    RestoreSession session({prompts, quiet, noDialog, log, store, nullptr});

    const std::filesystem::path archive = std::filesystem::absolute(positional[1]);
    RestoreRequest request;
    request.archiveFolder = archive.parent_path().string();
    request.archiveName = archive.filename().string();
    request.entries.assign(positional.begin() + 2, positional.end());
    request.options = RestoreOptions::ofProject(ProjectStore::fromDocument(doc, project, clock));
    request.options.password = password;
    request.projectName = project;
    request.confirm = false;
    const RestoreOutcome outcome =
        request.entries.empty() ? session.restoreArchive(request) : session.restoreSelected(request);
    return outcome.status == RestoreStatus::Succeeded ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
