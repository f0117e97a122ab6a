#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// extract ARCHIVE [-d DIR] [--no-paths] [-o always|never|newer|older] [--password-file FILE] [--exact] [MASK...]
class ExtractCommand : public CliCommand {
public:
    std::string name() const override { return "extract"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
