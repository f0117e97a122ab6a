#pragma once

#include "core/find/search_record.h"
#include "core/find/search_settings.h"
#include "core/find/search_targets.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace quorvel {

// Where the walk reports; `folder` is named as folderForEvents() does.
struct SearchEvents {
    std::function<void(const std::string& folder, bool& ignoreFolder)> newFolder;
    std::function<void(const std::string& folder, TSearchRec& fileInfo)> found;
};

// Searches the targets in their order. For each folder: newFolder (which may skip the
// folder and everything below it), then the folder's own hits, then, with subfolders on, each
// subfolder the same way, depth first and in the file system's order. Links to folders are
// not descended into. `stop` is checked between entries; any error (a handler that throws,
// for one) sets it and ends the search quietly.
void runSearch(const std::vector<SearchTarget>& targets, const SearchSettings& settings, const SearchEvents& events,
               std::atomic<bool>& stop);

} // namespace quorvel
