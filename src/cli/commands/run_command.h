#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Runs a project's backup as the desktop program's Create Backup does, without the question
// before the run; outcome messages go to the console.
class RunCommand final : public CliCommand {
public:
    std::string name() const override { return "run"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
