#pragma once

#include "core/find/file_attributes.h"
#include "core/find/time_bound.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// The finder's search options, copied when a search starts, so that the walk (perhaps on a
// worker thread) never reads properties the caller may be changing.
struct SearchSettings {
    bool subfolders = true;
    TFileAttributes attributes;
    bool exactAttribute = false;
    TimeBound createdBefore;
    TimeBound createdAfter;
    TimeBound modifiedBefore;
    TimeBound modifiedAfter;
    TimeBound accessedBefore;
    TimeBound accessedAfter;
    std::uint64_t sizeMin = 0; // 0: no bound
    std::uint64_t sizeMax = 0; // 0: no bound
    std::vector<std::string> excludeFiles;
    std::string containing;
    bool ignoreCase = true;
};

} // namespace quorvel
