#include "core/backup/backup_messages.h"

namespace quorvel {

namespace {

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string unreadableNote(int count) {
    return std::to_string(count) + (count == 1 ? " file" : " files") + " could not be read and " +
           (count == 1 ? "is" : "are") + " missing";
}

} // namespace

std::string backupQuestion(std::string_view project) {
    return "Do you want to backup the project '" + std::string(project) + "'?";
}

std::string folderNotCreatedMessage(std::string_view folder) {
    return "Folder '" + std::string(folder) + "' can not be create,backup interrupted!";
}

std::string archiveExistsMessage(std::string_view archivePath) {
    return "'" + std::string(archivePath) + "'" + " exists,backup operation has been interrupted!" + "\r" +
           "You can setup Overwrite or Skip existed file in Preferences!";
}

std::string archiveExistsLogText(std::string_view archivePath) {
    return "'" + std::string(archivePath) + "'" + " exists,backup has been interripted";
}

std::string nextDiskQuestion(int disk) {
    return "Please insert disk number " + std::to_string(disk) + " of the spanned Zip file";
}

std::string nothingToBackUpMessage() {
    return "None of the files and folders to back up exists, so no backup was made";
}

std::string summaryMessage(const BackupSummary& summary) {
    std::string text = "Backup " + std::to_string(summary.filesAdded) + " Files Succeeds!\r" + "Project Name: '" +
                       summary.project + "'\r" + "File Name:    '" + fileNameOf(summary.archivePath) + "'\r" +
                       "File Size:    '" + (summary.sizeKb ? std::to_string(*summary.sizeKb) : "?") + "Kb'";
    if (summary.disks > 1)
        text += "\rDisks:        '" + std::to_string(summary.disks) + "'";
    if (summary.unreadableFiles > 0)
        text += "\rAttention:    " + unreadableNote(summary.unreadableFiles);
    return text;
}

std::string succeedsLogText(const BackupSummary& summary) {
    std::string text = std::to_string(summary.filesAdded) + " files added to " + summary.archivePath;
    if (summary.sizeKb)
        text += "  " + std::to_string(*summary.sizeKb) + "Kb";
    if (summary.disks > 1)
        text += "; spanned over " + std::to_string(summary.disks) + " disks";
    if (summary.unreadableFiles > 0)
        text += "; " + unreadableNote(summary.unreadableFiles);
    return text;
}

} // namespace quorvel
