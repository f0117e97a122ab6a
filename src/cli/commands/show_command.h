#pragma once

#include "cli/cli_command.h"
#include "core/project/backup_project.h"

namespace quorvel::cli {

// Prints a project as loading it would show it: one "key=value" line per key of its section.
class ShowCommand final : public CliCommand {
public:
    std::string name() const override { return "show"; }
    std::string usage() const override;
    int run(CliContext& context) override;

    static void print(const BackupProject& project, std::ostream& out);
};

} // namespace quorvel::cli
