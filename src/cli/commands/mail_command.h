#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// Sends one message with files attached through the email account of account.ini.
class MailCommand final : public CliCommand {
public:
    std::string name() const override { return "mail"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
