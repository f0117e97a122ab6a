#pragma once

#include "core/find/caller_dispatch.h"
#include "core/find/file_attributes.h"
#include "core/find/search_record.h"
#include "core/find/search_thread.h"
#include "core/find/time_bound.h"
#include "core/util/errors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// A property was given a value it cannot take; the subject is that value.
class EFileFinderError : public Error {
public:
    EFileFinderError(const std::string& message, std::string value)
        : Error(ErrorKind::Refused, message, std::move(value)) {}
};

// Searches folders for files matching a mask and reports each hit through OnFound.
//
// Without Threaded, Execute searches on the calling thread and returns after OnComplete.
// With Threaded, Execute starts a worker thread and returns at once; the worker hands every
// OnNewFolder and OnFound call to the caller's thread through the dispatcher (setDispatcher)
// and waits for it, and OnComplete follows on the caller's thread too, so handlers never run
// concurrently with the caller. Destroying the finder stops a running worker and waits for it;
// no event fires from then on.
//
// Hits and folders are named without trailing "/" ("/" itself stays "/"). Names starting
// with "." are never reported nor searched. See matchesFindMask for the mask rules and
// matchesExclusionMask for ExcludeFiles.
class TFileFinder {
public:
    TFileFinder() = default;
    ~TFileFinder();
    TFileFinder(const TFileFinder&) = delete;
    TFileFinder& operator=(const TFileFinder&) = delete;

    // The mask of names to find, without folder; "*.*" by default.
    // Throws EFileFinderError for a value with a folder part; the old value stays.
    const std::string& Filename() const { return m_filename; }
    void setFilename(const std::string& value);

    // Folders to search, separated by ";"; empty means the current folder.
    // Throws EFileFinderError for a value holding "*" or "?"; the old value stays.
    const std::string& Location() const { return m_location; }
    void setLocation(const std::string& value);

    // Folder + mask paths ("/home/u/*.txt"); when not empty they replace Location and Filename.
    std::vector<std::string> IncludeFiles;
    std::vector<std::string> ExcludeFiles;
    bool Subfolders = true;
    TFileAttributes Attributes{TFileAttribute::ffArchive, TFileAttribute::ffReadonly, TFileAttribute::ffHidden,
                               TFileAttribute::ffSystem};
    bool ExactAttribute = false;
    TimeBound ModifiedBefore;
    TimeBound ModifiedAfter;
    TimeBound CreatedBefore;
    TimeBound CreatedAfter;
    TimeBound AccessedBefore;
    TimeBound AccessedAfter;
    std::uint64_t SizeMin = 0; // bytes, 0: no bound
    std::uint64_t SizeMax = 0; // bytes, 0: no bound
    std::string Containing;
    bool IgnoreCase = true;
    bool Threaded = false;

    // Applies to a running worker at once.
    TThreadPriority ThreadPriority() const { return m_priority; }
    void setThreadPriority(TThreadPriority value);

    std::function<void(const std::string& folder, TSearchRec& fileInfo)> OnFound;
    std::function<void(const std::string& folder, bool& ignoreFolder)> OnNewFolder;
    std::function<void()> OnComplete;

    // How a threaded search reaches the caller's thread; required before a threaded Execute.
    void setDispatcher(CallerDispatcher dispatcher) { m_dispatcher = std::move(dispatcher); }

    // Starts a search; does nothing while one is running.
    void Execute();
    bool Busy() const { return m_busy; }

private:
    SearchSettings settings() const;
    SearchEvents handlers();
    void finishThreaded();

    std::string m_filename = "*.*";
    std::string m_location;
    TThreadPriority m_priority = TThreadPriority::tpNormal;
    CallerDispatcher m_dispatcher;
    bool m_busy = false;
    std::unique_ptr<TSearchThread> m_thread;
};

} // namespace quorvel
