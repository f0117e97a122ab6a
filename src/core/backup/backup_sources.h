#pragma once

#include <string>
#include <vector>

namespace quorvel {

// The items of a backup list that name nothing that is there: a file that does not exist, or a
// folder (of a mask or a folder entry) that does not. A folder path holding wildcards, or a name
// without a folder, counts as there, since only the search can tell. In list order.
std::vector<std::string> missingBackupSources(const std::vector<std::string>& items);

// The writer's form of a file list item: a folder named without a mask (and without a trailing
// "/", which asks for a folder entry) means the folder's contents. Other items are unchanged.
std::string backupItemSpec(const std::string& item);

} // namespace quorvel
