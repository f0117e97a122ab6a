#include "core/project/validate_project_input.h"

#include "core/util/strings.h"

namespace quorvel {

std::optional<std::string> ValidateProjectInput(const BackupProject& project, std::string_view fileNameField) {
    if (trim(fileNameField).empty())
        return "Please enter the backup filename";
    if (trim(project.filenamePrefix).empty())
        return "Please enter the prefix of backup filename";
    if (project.usePassword && trim(project.password) != trim(project.confirmPassword))
        return "Confirm password is not matching";
    if (project.backupItems.empty())
        return "Please select files to backup";
    return std::nullopt;
}

} // namespace quorvel
