#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// `project new|copy|rename|delete|set ...`: the project commands of the window's tool bar, on
// the same core functions. The project list in project.ini is written at once.
class ProjectCommand final : public CliCommand {
public:
    std::string name() const override { return "project"; }
    std::string usage() const override;
    int run(CliContext& context) override;

private:
    int copyOrRename(CliContext& context, bool rename);
    int remove(CliContext& context);
};

} // namespace quorvel::cli
