#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// test ARCHIVE [--password-file FILE]: checks every entry's data against its CRC.
class TestCommand : public CliCommand {
public:
    std::string name() const override { return "test"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
