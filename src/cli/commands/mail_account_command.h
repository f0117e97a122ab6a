#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Shows and changes the email account of account.ini.
class MailAccountCommand final : public CliCommand {
public:
    std::string name() const override { return "mail-account"; }
    std::string usage() const override;
    int run(CliContext& context) override;

private:
    int show(CliContext& context);
    int set(CliContext& context);
};

} // namespace quorvel::cli
