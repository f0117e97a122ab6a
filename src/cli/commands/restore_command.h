#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// restore PROJECT ARCHIVE [--password-file FILE] [--exact] [MASK...]
class RestoreCommand : public CliCommand {
public:
    std::string name() const override { return "restore"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
