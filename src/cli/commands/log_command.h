#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Prints the operation log as the Log page shows it, newest first.
class LogCommand final : public CliCommand {
public:
    std::string name() const override { return "log"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
