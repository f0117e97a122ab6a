#pragma once

#include <string>
#include <vector>

namespace quorvel {

// Whether any item of a backup list names something that is there: a file that exists, or a
// folder (of a mask or a folder entry) that exists. A folder path holding wildcards, or a
// name without a folder, counts as there, since only the search can tell.
bool anyBackupSourceExists(const std::vector<std::string>& items);

} // namespace quorvel
