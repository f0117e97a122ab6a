#pragma once

#include "core/util/date_time.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One archive file found in the archive folder.
struct FolderArchive {
    std::string name; // without folder
    std::uint64_t size = 0;
    DateTime modified;

    bool operator==(const FolderArchive&) const = default;
};

// The cells of one row of the archive list, by column.
enum ArchiveColumn { ArchiveColumnName = 0, ArchiveColumnSize = 1, ArchiveColumnDate = 2 };
using ArchiveRow = std::array<std::string, 3>;

// The "*.zip" files of a folder (any letter case, no subfolders, never folders or names
// starting with "."), in the order the file system lists them. A folder that does not exist
// or cannot be read gives none. The folder is taken as written after trimming blanks, so a
// name holding ";", "*" or "?" is searched as that one folder; an empty text means the
// current folder.
std::vector<FolderArchive> listArchiveFolder(std::string_view folder);

// One archive of the folder as the list shows it now; nothing when it is no longer a file.
std::optional<FolderArchive> archiveFileOf(std::string_view folder, std::string_view name);

// The row the archive list shows for a file: its name, its size in whole kilobytes (bytes
// divided by 1024, remainder dropped) and its modification date-time (time left out at midnight).
ArchiveRow archiveRowOf(const FolderArchive& file);
std::vector<ArchiveRow> archiveRowsOf(const std::vector<FolderArchive>& files);

// The path of an archive named in the list: the folder text, trimmed, then "/" unless the
// folder ends in one (or is empty), then the name.
std::string archivePath(std::string_view folder, std::string_view name);

// The count labels of the archive and entry lists.
std::string totalFilesCaption(std::size_t count);

} // namespace quorvel
