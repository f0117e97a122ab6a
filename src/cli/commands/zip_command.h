#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// zip ARCHIVE [-l LEVEL] [-r] [-p] [-x MASK]... [-n MASK]... [-c COMMENT] [--password-file FILE] SPEC...
class ZipCommand : public CliCommand {
public:
    std::string name() const override { return "zip"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
