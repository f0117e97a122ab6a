#pragma once

#include "core/ini/ini_file.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

// "Only keep the last " n "backups": the ring arithmetic divides by n, so it is always taken
// within these bounds whatever the field holds.
inline constexpr int MinRetentionLimit = 2;
inline constexpr int MaxRetentionLimit = 50000;
int clampRetentionLimit(int limit);

// Removes an archive that has left the ring; false when it could not be removed (also when it
// is gone already). Must not throw.
using ArchiveRemover = std::function<bool(const std::filesystem::path&)>;
// Removes a file or a symbolic link; never a folder.
bool removeArchiveFile(const std::filesystem::path& archive);

// Records the archive a run has just written in the project's ring of StoreNumber.txt and
// removes the archive the ring lets go, keeping the last `limit` archives. A lowered limit
// re-packs the ring first, removing the oldest archives beyond it; a raised one takes effect
// one run at a time. The ring's new state is written in one atomic replacement before any file
// is removed, so a failed write removes nothing. An archive that some slot of the ring still
// names after the step (among them the one just written, when the same path recurs) is never
// removed; an archive that cannot be removed is passed over and the ring still advances.
//
// Projects without a suffix write the same path on every run and keep no ring: the caller does
// not call this for them.
void ApplyRetention(IniFile& storeNumber, std::string_view project, const std::string& archivePath, int limit,
                    const ArchiveRemover& removeArchive = removeArchiveFile);

} // namespace quorvel
