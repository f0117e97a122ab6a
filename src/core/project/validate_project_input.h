#pragma once

#include "core/project/backup_project.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The checks before a project is saved or backed up, in their order. Returns the message of
// the first check that fails, or nothing when the input is complete.
std::optional<std::string> ValidateProjectInput(const BackupProject& project, std::string_view fileNameField);

} // namespace quorvel
