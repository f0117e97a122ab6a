#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

// Our writers hold an exclusive lock (flock) on every temporary file for as long as they write
// it, so a temporary file that nobody holds locked was left by a writer that is gone: killed, or
// on a machine that lost its power.

enum class WriterLock {
    Taken,       // this open file holds it now
    HeldByOther, // another writer is at work
    Unsupported  // the file system keeps no locks: nobody can tell
};

// Takes the writer's lock on an open file, without waiting.
WriterLock takeWriterLock(int fd);

// Removes the leftovers of writers that are gone from `folder`: the entries whose name
// `isLeftoverName` accepts and that are regular files of this user, whose lock can be taken,
// that did not change in the last minute (a writer locks a file only just after creating it)
// and, when `magic` is given and they are not empty, begin with it. Returns how many were
// removed; never raises (what cannot be examined or removed stays).
int removeLeftovers(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& isLeftoverName,
                    std::string_view magic = {});

} // namespace quorvel
