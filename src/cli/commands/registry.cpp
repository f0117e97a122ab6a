#include "cli/cli_app.h"
#include "cli/commands/projects_command.h"
#include "cli/commands/show_command.h"

namespace quorvel::cli {

// Add each new command here, in the order the usage text should list it.
std::vector<std::unique_ptr<CliCommand>> allCommands() {
    std::vector<std::unique_ptr<CliCommand>> commands;
    commands.push_back(std::make_unique<ProjectsCommand>());
    commands.push_back(std::make_unique<ShowCommand>());
    return commands;
}

} // namespace quorvel::cli
