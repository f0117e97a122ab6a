#pragma once

#include "core/platform/data_folder.h"

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::cli {

// Exit codes shared by every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

struct CliContext {
    std::vector<std::string> args; // the command's own arguments, without its name
    DataFiles data;                // the data folder (--data-dir, or the program's own)
    std::ostream& out;
    std::ostream& err;
};

// One subcommand of quorvel-backup-cli.
class CliCommand {
public:
    virtual ~CliCommand() = default;
    virtual std::string name() const = 0;
    // One or more lines: "NAME ARGS  description".
    virtual std::string usage() const = 0;
    virtual int run(CliContext& context) = 0;
};

} // namespace quorvel::cli
