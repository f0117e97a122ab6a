#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// list ARCHIVE: one tab-separated line per entry.
class ListCommand : public CliCommand {
public:
    std::string name() const override { return "list"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
