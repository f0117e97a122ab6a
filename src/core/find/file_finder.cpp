#include "core/find/file_finder.h"

#include "core/find/folder_search.h"
#include "core/find/search_targets.h"

#include <atomic>
#include <stdexcept>

namespace quorvel {

TFileFinder::~TFileFinder() {
    m_thread.reset();
}

void TFileFinder::setFilename(const std::string& value) {
    if (value.find('/') != std::string::npos)
        throw EFileFinderError(value + "\n\rInvalid filename specified", value);
    m_filename = value;
}

void TFileFinder::setLocation(const std::string& value) {
    if (value.find_first_of("*?") != std::string::npos)
        throw EFileFinderError(value + "\n\rlocation cannot to be contained wildcards", value);
    m_location = value;
}

void TFileFinder::setThreadPriority(TThreadPriority value) {
    m_priority = value;
    if (m_thread)
        m_thread->setPriority(value);
}

SearchSettings TFileFinder::settings() const {
    SearchSettings s;
    s.subfolders = Subfolders;
    s.attributes = Attributes;
    s.exactAttribute = ExactAttribute;
    s.createdBefore = CreatedBefore;
    s.createdAfter = CreatedAfter;
    s.modifiedBefore = ModifiedBefore;
    s.modifiedAfter = ModifiedAfter;
    s.accessedBefore = AccessedBefore;
    s.accessedAfter = AccessedAfter;
    s.sizeMin = SizeMin;
    s.sizeMax = SizeMax;
    s.excludeFiles = ExcludeFiles;
    s.containing = Containing;
    s.ignoreCase = IgnoreCase;
    return s;
}

// The handlers are looked up when an event fires, so a handler may replace another.
SearchEvents TFileFinder::handlers() {
    SearchEvents events;
    events.newFolder = [this](const std::string& folder, bool& ignoreFolder) {
        if (OnNewFolder)
            OnNewFolder(folder, ignoreFolder);
    };
    events.found = [this](const std::string& folder, TSearchRec& fileInfo) {
        if (OnFound)
            OnFound(folder, fileInfo);
    };
    return events;
}

void TFileFinder::Execute() {
    if (m_busy)
        return;
    if (Threaded && !m_dispatcher)
        throw std::logic_error("TFileFinder: a threaded search needs a dispatcher to the caller's thread");
    std::vector<SearchTarget> targets;
    try {
        targets = buildSearchTargets(IncludeFiles, m_location, m_filename);
    } catch (const std::exception&) {
        // The current folder is gone: there is nothing to search, but the search still completes.
    }
    m_busy = true;
    if (Threaded) {
        m_thread = std::make_unique<TSearchThread>(std::move(targets), settings(), handlers(), m_dispatcher, m_priority,
                                                   [this] { finishThreaded(); });
        return;
    }
    std::atomic<bool> stop{false};
    runSearch(targets, settings(), handlers(), stop);
    m_busy = false;
    if (OnComplete)
        OnComplete();
}

void TFileFinder::finishThreaded() {
    m_thread.reset();
    m_busy = false;
    if (OnComplete)
        OnComplete();
}

} // namespace quorvel
