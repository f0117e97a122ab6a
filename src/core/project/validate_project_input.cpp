#include "core/project/validate_project_input.h"

#include "core/ftp/ftp_site.h"
#include "core/project/project_names.h"
#include "core/util/path_parts.h"
#include "core/util/strings.h"

#include <algorithm>
#include <cctype>

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

std::optional<std::string> offsiteCopyProblem(const BackupProject& project,
                                              const std::vector<std::string>& siteLabels) {
    const std::string site = trim(project.ftpSite);
    const std::string folder = trim(project.ftpFolder);
    if (site.empty())
        return folder.empty() ? std::nullopt
                              : std::optional<std::string>("Please choose the FTP site the archives are copied to, "
                                                           "or leave the FTP folder empty");
    if (std::none_of(siteLabels.begin(), siteLabels.end(),
                     [&](const std::string& label) { return equalsIgnoreCase(trim(label), site); }))
        return "The FTP site '" + site + "' does not exist; please choose one of the FTP sites";
    if (std::any_of(folder.begin(), folder.end(),
                    [](char c) { return std::iscntrl(static_cast<unsigned char>(c)) != 0; }))
        return "The FTP folder cannot hold line breaks or other control characters";
    return std::nullopt;
}

std::optional<std::string> offsiteCopyProblem(const BackupProject& project, const std::filesystem::path& accountIni) {
    if (trim(project.ftpSite).empty())
        return offsiteCopyProblem(project, std::vector<std::string>());
    return offsiteCopyProblem(project, FtpSiteStore(accountIni).labels());
}

} // namespace quorvel
