#pragma once

#include "core/ini/ini_file.h"

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// "Only keep the last " n "backups": the ring arithmetic divides by n, so it is always taken
// within these bounds whatever the field holds.
inline constexpr int MinRetentionLimit = 2;
inline constexpr int MaxRetentionLimit = 50000;
int clampRetentionLimit(int limit);

// What a project may have written, and so all that retention may ever delete: a file in its
// Save Path folder named with its prefix, a suffix of one of the three forms (none, a running
// number, a date-time stamp) and ".zip", or the number of a piece of such an archive (".001").
// StoreNumber.txt is a text file anyone can edit; what it names is not trusted beyond this.
struct ArchiveOwner {
    std::string folder; // the Save Path
    std::string prefix;
    // By the path alone; whether a regular file is there is asked when it is removed.
    bool mayHaveWritten(const std::string& path) const;
};

// Removes an archive that has left the ring; false when it could not be removed (also when it
// is gone already). Must not throw.
using ArchiveRemover = std::function<bool(const std::filesystem::path&)>;
// Removes a regular file; never a symbolic link (whatever it points to) or a folder.
bool removeArchiveFile(const std::filesystem::path& archive);

// What one step of the ring let go.
struct RingChange {
    std::vector<std::string> leaving;   // archives of the project that left the ring, to be removed
    std::vector<std::string> leftAlone; // entries that left it but name nothing the project wrote
    bool restarted = false;             // "Max" or "Head" was out of range: the ring was taken as empty
};

// Records the archive a run has just written in the project's ring, in the text of
// StoreNumber.txt, keeping the last `limit` archives. A lowered limit re-packs the ring first,
// letting the oldest go; a raised one takes effect one run at a time. The same archive written
// again (the number set back, two runs in one second with the date suffix) takes the newest
// place and no other archive leaves for it, so the ring never holds one archive twice. Values
// out of range (a damaged or edited file) are taken as an empty ring.
RingChange recordInRing(IniDocument& doc, std::string_view project, const std::string& archivePath, int limit,
                        const ArchiveOwner& owner);

// The archives the project's ring names now, normalised (see normalisedPath).
std::set<std::string> archivesInRing(const IniDocument& doc, std::string_view project);
// One spelling for every path of a file: "a/./b", "a//b" and paths through symbolic links.
std::string normalisedPath(const std::string& path);

// Removes archives that left the ring. An archive the ring names again, or that is no longer a
// regular file of the project, is left alone; one that cannot be removed is passed over.
void removeLeftArchives(const std::vector<std::string>& leaving, const std::set<std::string>& ring,
                        const ArchiveOwner& owner, const ArchiveRemover& removeArchive = removeArchiveFile);

// One step as one atomic replacement of StoreNumber.txt, then the removals: a failed write
// removes nothing.
RingChange ApplyRetention(IniFile& storeNumber, std::string_view project, const std::string& archivePath, int limit,
                          const ArchiveOwner& owner, const ArchiveRemover& removeArchive = removeArchiveFile);

} // namespace quorvel
