#pragma once

#include <string>

namespace quorvel {

// The archive of a backup run while it is being written. It is written under a hidden name
// beside its final one and takes the final name only when it is complete, so the final name
// never holds a truncated archive, and a previous archive of that name stays intact until the
// new one replaces it. The hidden name is one that no file holds yet: the writer would take an
// existing file for an archive to update. What was written and not completed is removed when
// the object goes away.
//
// Archives spanned over removable disks cannot be renamed across disks: in direct mode the
// writer writes the final name itself and removes it when it fails.
//
// The writer holds its lock on the hidden file until the file has its final name, so a run that
// is killed leaves a file nobody holds: the next hidden pending archive in that folder removes
// such leftovers (see removeArchiveLeftovers).
class PendingArchive {
public:
    enum Mode { Hidden, Direct };

    PendingArchive(std::string finalPath, Mode mode);
    ~PendingArchive();
    PendingArchive(const PendingArchive&) = delete;
    PendingArchive& operator=(const PendingArchive&) = delete;

    // Where the writer writes.
    const std::string& writePath() const { return m_writePath; }
    const std::string& finalPath() const { return m_finalPath; }

    // Renames the written archive to its final name (replacing a file there) and flushes the
    // folder. Throws IoError naming both paths; the final name is then unchanged.
    void complete();
    bool completed() const { return m_completed; }

private:
    std::string m_finalPath;
    std::string m_writePath;
    Mode m_mode;
    bool m_completed = false;
};

// A hidden name in the folder of `finalPath` that no file holds at the time of the call.
std::string unusedHiddenName(const std::string& finalPath);

// Whether a file name (without folder) has the form of those hidden names: what a killed run
// leaves behind, which is never worth backing up.
bool isPendingArchiveName(const std::string& name);

// Removes from `folder` what killed runs and killed updates of its archives left: hidden pending
// archives and hidden copies of archives that no live writer holds (removeLeftovers). Returns how
// many were removed.
int removeArchiveLeftovers(const std::string& folder);

} // namespace quorvel
