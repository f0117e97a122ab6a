#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// add ARCHIVE [-l LEVEL] [-r] [-p] [-x MASK]... [--password-file FILE] [--replace|--freshen] FILE...
class AddCommand : public CliCommand {
public:
    std::string name() const override { return "add"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
