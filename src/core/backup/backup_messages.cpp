#include "core/backup/backup_messages.h"
#include "core/util/path_parts.h"

namespace quorvel {

namespace {

std::string unreadableNote(int count) {
    return std::to_string(count) + (count == 1 ? " file" : " files") + " could not be read and " +
           (count == 1 ? "is" : "are") + " missing";
}

// 'a', 'b', 'c'
std::string quotedList(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "'" : ", '") + item + "'";
    return text;
}

constexpr std::string_view KeptNote = "no older backup was deleted";

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

std::string numberExhaustedMessage(int maxNumber) {
    return "The running number of the backup file name cannot go past " + std::to_string(maxNumber) +
           ": set a lower next number in the project to go on";
}

std::string summaryMessage(const BackupSummary& summary) {
    const bool incomplete = !summary.missingItems.empty();
    std::string text = "Backup " + std::to_string(summary.filesAdded) +
                       (incomplete ? " Files Incomplete!\r" : " Files Succeeds!\r") + "Project Name: '" +
                       summary.project + "'\r" + "File Name:    '" + fileNamePart(summary.archivePath) + "'\r" +
                       "File Size:    '" + (summary.sizeKb ? std::to_string(*summary.sizeKb) : "?") + "Kb'";
    if (summary.disks > 1)
        text += "\rDisks:        '" + std::to_string(summary.disks) + "'";
    if (incomplete)
        text += "\rNot found:    " + quotedList(summary.missingItems);
    if (summary.unreadableFiles > 0)
        text += "\rAttention:    " + unreadableNote(summary.unreadableFiles);
    if (incomplete)
        text += "\rAttention:    " + std::string(KeptNote) + " for it";
    return text;
}

std::string runLogText(const BackupSummary& summary) {
    const bool incomplete = !summary.missingItems.empty();
    std::string text = (incomplete ? "Incomplete: " : "") + std::to_string(summary.filesAdded) + " files added to " +
                       summary.archivePath;
    if (summary.sizeKb)
        text += "  " + std::to_string(*summary.sizeKb) + "Kb";
    if (summary.disks > 1)
        text += "; spanned over " + std::to_string(summary.disks) + " disks";
    if (incomplete)
        text += "; not found: " + quotedList(summary.missingItems);
    if (summary.unreadableFiles > 0)
        text += "; " + unreadableNote(summary.unreadableFiles);
    if (incomplete)
        text += "; " + std::string(KeptNote) + " for it";
    return text;
}

std::string retentionNote(const std::vector<std::string>& leftAlone, bool restarted) {
    std::string text;
    if (restarted)
        text += "; StoreNumber.txt held no usable ring for this project: it was started afresh";
    if (!leftAlone.empty())
        text += "; StoreNumber.txt named " + quotedList(leftAlone) +
                ", not written by this project: left in place and dropped from the ring";
    return text;
}

std::string notRecordedNote(std::string_view reason) {
    return "; not recorded for \"Only keep the last\": " + std::string(reason);
}

std::string recordedLaterNote() {
    return "; recorded by the next run, as the run that wrote it was stopped first";
}

} // namespace quorvel
