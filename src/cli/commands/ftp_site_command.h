#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Lists, adds and removes the FTP sites of account.ini.
class FtpSiteCommand final : public CliCommand {
public:
    std::string name() const override { return "ftp-site"; }
    std::string usage() const override;
    int run(CliContext& context) override;

private:
    int list(CliContext& context);
    int add(CliContext& context);
    int remove(CliContext& context);
};

} // namespace quorvel::cli
