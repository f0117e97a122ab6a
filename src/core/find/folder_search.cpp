#include "core/find/folder_search.h"

#include "core/find/entry_filter.h"
#include "core/find/find_mask.h"
#include "core/find/folder_entries.h"

namespace quorvel {

namespace {

TSearchRec searchRecordOf(const FolderEntry& entry) {
    TSearchRec record;
    record.name = entry.name;
    record.size = entry.size;
    record.attributes = entry.attributes;
    record.modified = fromTimeT(entry.modified);
    record.dosTime = toDosDateTime(record.modified);
    return record;
}

class FolderWalk {
public:
    FolderWalk(const SearchSettings& settings, const SearchEvents& events, std::atomic<bool>& stop)
        : m_settings(settings), m_events(events), m_stop(stop) {}

    void search(const std::string& folder, const std::string& mask) {
        const std::string eventFolder = folderForEvents(folder);
        bool ignore = false;
        if (m_events.newFolder)
            m_events.newFolder(eventFolder, ignore);
        if (ignore || m_stop)
            return;
        const std::vector<FolderEntry> entries = readFolderEntries(folder);
        reportHits(folder, eventFolder, mask, entries);
        if (!m_settings.subfolders)
            return;
        for (const FolderEntry& entry : entries) {
            if (m_stop)
                return;
            if (entry.isDirectory && !entry.isSymlink)
                search(folder + entry.name + "/", mask);
        }
    }

private:
    void reportHits(const std::string& folder, const std::string& eventFolder, const std::string& mask,
                    const std::vector<FolderEntry>& entries) {
        for (const FolderEntry& entry : entries) {
            if (m_stop)
                return;
            if (!matchesFindMask(entry.name, mask) || !passesFilter(m_settings, folder, entry, m_stop))
                continue;
            TSearchRec record = searchRecordOf(entry);
            if (m_events.found)
                m_events.found(eventFolder, record);
        }
    }

    const SearchSettings& m_settings;
    const SearchEvents& m_events;
    std::atomic<bool>& m_stop;
};

} // namespace

void runSearch(const std::vector<SearchTarget>& targets, const SearchSettings& settings, const SearchEvents& events,
               std::atomic<bool>& stop) {
    FolderWalk walk(settings, events, stop);
    try {
        for (const SearchTarget& target : targets) {
            if (stop)
                return;
            walk.search(target.folder, target.mask);
        }
    } catch (...) {
        stop = true;
    }
}

} // namespace quorvel
