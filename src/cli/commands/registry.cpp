#include "cli/cli_app.h"

namespace quorvel::cli {

// Add each new command here, in the order the usage text should list it.
std::vector<std::unique_ptr<CliCommand>> allCommands() {
    std::vector<std::unique_ptr<CliCommand>> commands;
    return commands;
}

} // namespace quorvel::cli
