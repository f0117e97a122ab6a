#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Lists the project names in the order of the desktop program's project selector.
class ProjectsCommand final : public CliCommand {
public:
    std::string name() const override { return "projects"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
