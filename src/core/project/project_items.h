#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel {

// The items of a project's backup and exclusion lists: a file's full path, or a folder path,
// "/" and a file mask (such as /home/me/Documents/*.odt).

// The item the select-by-filter dialog makes: the folder, a "/" unless the folder ends in one
// (the root), and the trimmed mask. An empty mask leaves the folder itself, ending in "/".
std::string wildcardItem(std::string_view folder, std::string_view mask);

// Whether a list draws the item with the mask icon rather than the file icon: its name part
// (after the last "/" or ":") is empty or holds one of "*", "?", "<", ">".
bool isMaskItem(std::string_view item);

// A path typed as a backup source on the command line, as an item: made absolute against
// `workingFolder`, and a folder named without a mask taken as its contents (folder + "/*"),
// as the zip command takes it. A leading ">" or "|" (always or never search subfolders) is kept.
std::string sourceItem(std::string_view typed, const std::filesystem::path& workingFolder);
// An exclusion typed on the command line: a mask without "/" (*.tmp, Thumbs.db) matches file
// names anywhere and stays as it is; a path is taken as sourceItem takes it.
std::string exclusionItem(std::string_view typed, const std::filesystem::path& workingFolder);

// A folder typed as a destination, made absolute against `workingFolder`, ending in "/".
std::string destinationFolder(std::string_view typed, const std::filesystem::path& workingFolder);

} // namespace quorvel
