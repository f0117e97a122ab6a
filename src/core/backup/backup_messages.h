#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
std::string numberExhaustedMessage(int maxNumber);

// The outcome of a completed run, with the size in whole KiB when it could be read.
struct BackupSummary {
    int filesAdded = 0;
    std::string project;
    std::string archivePath;
    std::optional<std::uint64_t> sizeKb;
    int unreadableFiles = 0;               // files the writer could not open and left out
    int disks = 1;                         // removable disks the archive was spanned over; sizeKb counts them all
    std::vector<std::string> missingItems; // items that named nothing: the backup is incomplete
};

// The summary shown and the information logged; with missing items they say "Incomplete".
std::string summaryMessage(const BackupSummary& summary);
std::string runLogText(const BackupSummary& summary);

// What a log entry adds about the retention ring, each beginning with "; ".
std::string retentionNote(const std::vector<std::string>& leftAlone, bool restarted);
std::string notRecordedNote(std::string_view reason);
std::string recordedLaterNote();

} // namespace quorvel
