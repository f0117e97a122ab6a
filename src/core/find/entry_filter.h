#pragma once

#include "core/find/folder_entries.h"
#include "core/find/search_settings.h"

#include <atomic>
#include <string>

namespace quorvel {

// Whether a folder entry passes the finder's filter. The tests run in this order, the cheap
// ones first and reading the file last: attributes, size (files only), the time bounds
// (created, modified, accessed, each in local time), the exclusion masks, and the contained
// text (files only; folders pass). `folder` is the entry's folder ending in "/".
bool passesFilter(const SearchSettings& settings, const std::string& folder, const FolderEntry& entry,
                  const std::atomic<bool>& stop);

} // namespace quorvel
