#pragma once

#include "cli/cli_command.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel::cli {

// Every command, in the order the usage text lists them.
std::vector<std::unique_ptr<CliCommand>> allCommands();

// Runs `quorvel-backup-cli [--data-dir DIR] COMMAND ARGS...` (args without the program name).
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string usageText();

} // namespace quorvel::cli
