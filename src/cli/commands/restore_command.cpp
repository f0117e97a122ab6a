#include "cli/commands/restore_command.h"

#include "cli/cli_app.h"
#include "cli/commands/archive_args.h"
#include "cli/commands/console_prompts.h"
#include "cli/commands/named_project.h"
#include "core/backup/operation_log.h"
#include "core/project/app_settings.h"
#include "core/project/project_store.h"
#include "core/restore/restore_session.h"

#include <filesystem>

namespace quorvel::cli {

std::string RestoreCommand::usage() const {
    return "restore PROJECT ARCHIVE [--password-file FILE] [--exact] [MASK...]\n"
           "    Restores the archive, or its entries matching a MASK, with the project's restore options\n"
           "    as the Restore page does (existing files are kept where the page would ask); logs it and\n"
           "    keeps the options in the project; exit 0 when every file was restored, 1 otherwise; with\n"
           "    --exact each MASK is a stored name taken literally, \"*\" and \"?\" included";
}

int RestoreCommand::run(CliContext& context) {
    std::optional<PasswordAndOperands> args = splitPasswordOption(context.args);
    const bool exact = args && std::erase(args->operands, "--exact") > 0;
    if (!args || args->operands.size() < 2) {
        context.err << usageText();
        return ExitUsage;
    }
    const std::vector<std::string>& positional = args->operands;

    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const std::optional<NamedProject> found = findNamedProject(context, store, positional[0]);
    if (!found)
        return ExitFailure;
    const IniDocument& doc = found->doc;
    const std::string& project = found->name;

    OperationLog log(context.data.logFile(), clock, loadSettingsAndProjects(doc).settings.logCount);
    log.LoadLog();
    ConsolePrompts prompts(context.out, context.err);
    RunProgress quiet;
    ArchiveQuestions noDialog;
    RestoreSession session({prompts, quiet, noDialog, log, store, nullptr});

    const std::filesystem::path archive = std::filesystem::absolute(positional[1]);
    RestoreRequest request;
    request.archiveFolder = archive.parent_path().string();
    request.archiveName = archive.filename().string();
    request.entries.assign(positional.begin() + 2, positional.end());
    request.exactNames = exact;
    request.options = RestoreOptions::ofProject(ProjectStore::fromDocument(doc, project, clock));
    request.options.password = args->password;
    request.projectName = project;
    request.confirm = false;
    const RestoreOutcome outcome =
        request.entries.empty() ? session.restoreArchive(request) : session.restoreSelected(request);
    return outcome.status == RestoreStatus::Succeeded ? ExitOk : ExitFailure;
}

} // namespace quorvel::cli
