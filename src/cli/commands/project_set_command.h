#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// `project set NAME KEY=VALUE... [--password-file FILE]`: changes keys of a project as `show`
// prints them, validated as Save Project validates.
int runProjectSet(CliContext& context, const std::vector<std::string>& args);
std::string projectSetUsage();

} // namespace quorvel::cli
