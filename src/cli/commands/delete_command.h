#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// delete ARCHIVE [--exact] NAME-OR-MASK...
class DeleteCommand : public CliCommand {
public:
    std::string name() const override { return "delete"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
