#include "core/find/entry_filter.h"

#include "core/find/exclusion_mask.h"
#include "core/find/text_search.h"

#include <algorithm>

namespace quorvel {

namespace {

bool sizePasses(const SearchSettings& s, const FolderEntry& entry) {
    if (entry.isDirectory)
        return true;
    return (s.sizeMin == 0 || entry.size >= s.sizeMin) && (s.sizeMax == 0 || entry.size <= s.sizeMax);
}

bool timePasses(const TimeBound& before, const TimeBound& after, std::time_t fileTime) {
    if (!before.isSet() && !after.isSet())
        return true;
    const DateTime local = fromTimeT(fileTime);
    return before.admitsAsBefore(local) && after.admitsAsAfter(local);
}

bool timesPass(const SearchSettings& s, const FolderEntry& entry) {
    return timePasses(s.createdBefore, s.createdAfter, entry.created) &&
           timePasses(s.modifiedBefore, s.modifiedAfter, entry.modified) &&
           timePasses(s.accessedBefore, s.accessedAfter, entry.accessed);
}

bool excluded(const SearchSettings& s, const std::string& folder, const FolderEntry& entry) {
    return std::any_of(s.excludeFiles.begin(), s.excludeFiles.end(),
                       [&](const std::string& mask) { return matchesExclusionMask(folder, entry.name, mask); });
}

} // namespace

bool passesFilter(const SearchSettings& settings, const std::string& folder, const FolderEntry& entry,
                  const std::atomic<bool>& stop) {
    if (!attributesPass(entry.attributes, settings.attributes, settings.exactAttribute))
        return false;
    if (!sizePasses(settings, entry) || !timesPass(settings, entry) || excluded(settings, folder, entry))
        return false;
    if (settings.containing.empty() || entry.isDirectory)
        return true;
    return fileContainsText(folder + entry.name, settings.containing, settings.ignoreCase, stop);
}

} // namespace quorvel
