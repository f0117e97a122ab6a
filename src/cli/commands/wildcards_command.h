#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// `wildcards [add|remove MASK...]`: lists or edits the wildcard library the select-by-filter
// dialog offers.
class WildcardsCommand final : public CliCommand {
public:
    std::string name() const override { return "wildcards"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
