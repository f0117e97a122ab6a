#pragma once

#include "core/project/backup_project.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The checks before a project is saved or backed up, in their order. Returns the message of
// the first check that fails, or nothing when the input is complete.
std::optional<std::string> ValidateProjectInput(const BackupProject& project, std::string_view fileNameField);

// The check of the off-site copy that Save Project adds: the FTP site must be one of `siteLabels`
// (the sites of account.ini; letter case ignored), and the remote folder needs a site and must be
// a path an FTP command can carry. A backup run does not check this: a site removed since the
// save makes the copy fail, never the backup.
std::optional<std::string> offsiteCopyProblem(const BackupProject& project, const std::vector<std::string>& siteLabels);
// The same with the sites of account.ini, which is read only when the project names a site.
std::optional<std::string> offsiteCopyProblem(const BackupProject& project, const std::filesystem::path& accountIni);

} // namespace quorvel
