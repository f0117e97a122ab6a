#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The texts a backup run shows and logs. Lines of one message are joined by "\r".

inline constexpr int BackupMessageSeconds = 6;
inline constexpr std::string_view UnableToCreateDirectory = "Unable to create directory";

std::string backupQuestion(std::string_view project);
std::string folderNotCreatedMessage(std::string_view folder);
std::string archiveExistsMessage(std::string_view archivePath);
std::string archiveExistsLogText(std::string_view archivePath);
std::string nextDiskQuestion(int disk);
std::string nothingToBackUpMessage();

// The outcome of a completed run, with the size in whole KiB when it could be read.
struct BackupSummary {
    int filesAdded = 0;
    std::string project;
    std::string archivePath;
    std::optional<std::uint64_t> sizeKb;
    int unreadableFiles = 0; // files the writer could not open and left out
    int disks = 1;           // removable disks the archive was spanned over; sizeKb counts them all
};

std::string summaryMessage(const BackupSummary& summary);
std::string succeedsLogText(const BackupSummary& summary);

} // namespace quorvel
