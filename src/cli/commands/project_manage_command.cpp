#include "cli/commands/project_manage_command.h"

#include "cli/commands/named_project.h"
#include "cli/commands/project_new_command.h"
#include "cli/commands/project_set_command.h"
#include "core/backup/backup_runner.h"
#include "core/project/project_operations.h"
#include "core/project/project_store.h"

namespace quorvel::cli {

namespace {

constexpr const char* ManageUsage = "project copy NAME NEW | project rename NAME NEW | project delete NAME\n"
                                    "    Copies a project (not its archives), renames it with its retention ring, or\n"
                                    "    deletes it (its archives stay)";

std::vector<std::string> operands(const CliContext& context) {
    return {context.args.begin() + 1, context.args.end()};
}

} // namespace

std::string ProjectCommand::usage() const {
    return projectNewUsage() + "\n" + ManageUsage + "\n" + projectSetUsage();
}

int ProjectCommand::run(CliContext& context) {
    const std::string action = context.args.empty() ? std::string() : context.args.front();
    if (action == "new")
        return runProjectNew(context, operands(context));
    if (action == "set")
        return runProjectSet(context, operands(context));
    if ((action == "copy" || action == "rename") && context.args.size() == 3)
        return copyOrRename(context, action == "rename");
    if (action == "delete" && context.args.size() == 2)
        return remove(context);
    context.err << "Usage:\n" << usage() << "\n";
    return ExitUsage;
}

int ProjectCommand::copyOrRename(CliContext& context, bool rename) {
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const std::optional<NamedProject> found = findNamedProject(context, store, context.args[1]);
    if (!found)
        return ExitFailure;
    const BackupProject settings = ProjectStore::fromDocument(found->doc, found->name, clock);
    const std::string fileName = previewFileName(settings, loadSettingsAndProjects(found->doc).settings, clock);
    ProjectOperations operations(context.data);
    try {
        const std::string& newName = context.args[2];
        const auto outcome = rename ? operations.rename(found->name, newName, settings, fileName)
                                    : operations.copy(found->name, newName, settings, fileName);
        if (outcome == ProjectOperations::Outcome::SameProject) {
            if (!rename) {
                context.err << NameExistsMessage << "\n";
                return ExitFailure;
            }
            context.out << "'" << found->name << "' has that name already\n";
            return ExitOk;
        }
    } catch (const ProjectRefused& refused) {
        context.err << refused.what() << "\n";
        return ExitFailure;
    }
    context.out << (rename ? "Renamed" : "Copied") << " project '" << found->name << "'\n";
    return ExitOk;
}

int ProjectCommand::remove(CliContext& context) {
    SystemClock clock;
    ProjectStore store(context.data.projectIni(), clock);
    const std::optional<NamedProject> found = findNamedProject(context, store, context.args[1]);
    if (!found)
        return ExitFailure;
    ProjectOperations(context.data).remove(found->name);
    context.out << "Deleted project '" << found->name << "'; its archives are kept\n";
    return ExitOk;
}

} // namespace quorvel::cli
