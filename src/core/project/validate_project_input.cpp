#include "core/project/validate_project_input.h"

#include "core/project/project_names.h"
#include "core/util/strings.h"

namespace quorvel {

std::optional<std::string> ValidateProjectInput(const BackupProject& project, std::string_view fileNameField) {
    if (trim(fileNameField).empty())
        return "Please enter the backup filename";
    const std::string prefix = trim(project.filenamePrefix);
    if (prefix.empty())
        return "Please enter the prefix of backup filename";
    // The prefix is the start of a file name: with a "/" or ".." in it an archive could be
    // written, and retention could delete, outside the project's folder.
    if (prefix.find('/') != std::string::npos || prefix.find("..") != std::string::npos)
        return "The prefix of backup filename cannot hold \"/\" or \"..\"";
    // A relative folder would be taken from wherever the program was started, which differs
    // between the window, the command line and the scheduler. A name without any folder is left
    // to the run, which reports that it cannot create the folder.
    const std::string folder = folderPart(trim(fileNameField));
    if (!folder.empty() && folder.front() != '/')
        return "Please enter the backup folder as a full path, beginning with \"/\"";
    if (project.usePassword && trim(project.password) != trim(project.confirmPassword))
        return "Confirm password is not matching";
    if (project.backupItems.empty())
        return "Please select files to backup";
    return std::nullopt;
}

} // namespace quorvel
