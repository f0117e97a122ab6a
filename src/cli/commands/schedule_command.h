#pragma once

#include "cli/cli_command.h"

namespace quorvel::cli {

// The scheduler without the desktop program: runs the data folder's scheduled backups in the
// foreground until it is asked to end, or lists the schedule table.
class ScheduleCommand final : public CliCommand {
public:
    std::string name() const override { return "schedule"; }
    std::string usage() const override;
    int run(CliContext& context) override;
};

} // namespace quorvel::cli
