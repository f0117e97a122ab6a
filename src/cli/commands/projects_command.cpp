#include "cli/commands/projects_command.h"

#include "cli/cli_app.h"
#include "core/project/project_store.h"

namespace quorvel::cli {

std::string ProjectsCommand::usage() const {
    return "projects              list the backup projects, one per line";
}

int ProjectsCommand::run(CliContext& context) {
    if (!context.args.empty()) {
        context.err << usageText();
        return ExitUsage;
    }
    SystemClock clock;
    for (const auto& project : ProjectStore(context.data.projectIni(), clock).projectList())
        context.out << project << "\n";
    return ExitOk;
}

} // namespace quorvel::cli
