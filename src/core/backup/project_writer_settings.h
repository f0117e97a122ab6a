#pragma once

#include <string>

namespace quorvel {

struct BackupProject;
class TZipWriter;

// How a project stores files in its archives: the same for its backups and for files added to one
// of its archives from the Restore page.
struct ProjectWriterSettings {
    bool recurse = false;
    bool storePaths = false;
    std::string password; // empty: not encrypted
    int packLevel = 6;
};

// The trimmed password only when the project's password box is ticked and the text is not blank;
// the level within 0..9.
ProjectWriterSettings writerSettingsOf(const BackupProject& project);

// Folders reached by recursion get no entries of their own: a restore recreates them from the
// files' paths.
void applyWriterSettings(TZipWriter& writer, const ProjectWriterSettings& settings);

} // namespace quorvel
