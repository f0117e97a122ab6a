#pragma once

#include "cli/cli_command.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {
struct BackupProject;
}

namespace quorvel::cli {

// `project new NAME ...`: writes a project as the new-project wizard's Finish does, with the
// wizard's defaults for every option not given, and makes it the last project.
int runProjectNew(CliContext& context, const std::vector<std::string>& args);
std::string projectNewUsage();

// A schedule as typed: none, daily=HH:MM:SS, every=MINUTES or weekly=DAYNAME. Fills the mode and
// its value into the project; false when the text is none of these.
bool applyScheduleOption(BackupProject& project, std::string_view text);

// The integer of the text when it lies within [low, high].
std::optional<int> intWithin(std::string_view text, int low, int high);

} // namespace quorvel::cli
