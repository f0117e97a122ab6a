#pragma once

#include "core/backup/project_writer_settings.h"
#include "core/backup/run_progress.h"
#include "core/util/user_prompts.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct BackupProject;
class TZipWriter;

// The writer of one add or delete; tests substitute one whose output or final move fails.
using ArchiveWriterFactory = std::function<std::unique_ptr<TZipWriter>()>;

// Both operations below change the archive at `archive` (a full path) in place, in the busy state
// with the progress strip shown, both left again whatever happens. Each uses a writer of its own,
// so nothing of a backup run applies: not its per-file date filter, not its completion (summary,
// log entry, retention ring), not its spanning, and not its exclusion masks. The archive is
// rebuilt beside itself and replaced in one step, so it is either as it was or complete with the
// change; errors (not a zip file, no room, the final move) are raised after the busy state was
// left, with the archive unchanged. Nothing is logged and nothing is said on success.

// Adds the chosen files (full paths, in the order chosen) to the archive; a file whose entry is
// as new as the file on disk is not written again. Returns the number of entries written.
// The masks a backup excludes are not applied: the user named these files one by one. A chosen
// file that is gone, cannot be read, or whose path holds one of "*?<>|" (which the writer would
// take as a mask, picking up other files) is left out, and the user is told which and why.
int addFilesToArchive(UserPrompts& prompts, RunProgress& progress, const std::string& archive,
                      const std::vector<std::string>& files, const ProjectWriterSettings& settings,
                      const ArchiveWriterFactory& makeWriter = {});

// Removes the entries stored under `storedNames` (the selected rows, top to bottom) after the
// question "Do you want to delete the " + count + " files " (warning, Yes and No). Exactly the
// named entries go, also when a name holds characters the writer would take as a mask. Returns
// the number removed; nothing when the question was answered No or no entry is named.
std::optional<int> deleteArchiveEntries(UserPrompts& prompts, RunProgress& progress, const std::string& archive,
                                        const std::vector<std::string>& storedNames,
                                        const ArchiveWriterFactory& makeWriter = {});

} // namespace quorvel
