#pragma once

#include "core/util/user_prompts.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The question before archives or archive entries are deleted; it ends in a blank.
std::string deleteFilesQuestion(std::size_t count);
// The same question followed by what it acts on: `where` ("in the folder '…'") and the names,
// one a line; of a long list the first few, then "and N more".
std::string deleteFilesQuestion(std::size_t count, const std::string& where, const std::vector<std::string>& names);
inline constexpr std::string_view OverwriteQuestion = "File already exists! Do you want to overwrite?";

// Deletes the archives of the selected rows of the archive list after asking (warning, Yes
// and No). `names` are the names of the selected rows from top to bottom; the question
// counts them, so a list showing no archive (one empty row) asks about 1 file. On Yes every
// named file is deleted from top to bottom. A name that is empty, holds a "/" or names
// something that cannot be deleted (or is no file) is passed over without a message: the
// refreshed list shows what is left. Returns how many files were deleted.
std::size_t deleteArchives(UserPrompts& prompts, std::string_view folder, const std::vector<std::string>& names);

enum class ArchiveCopyResult { Copied, Declined, Failed, NothingToCopy };

// Copies the archive `name` of `archiveFolder` into `destinationFolder`. An existing file of
// that name is replaced only when the user answers Yes to OverwriteQuestion. Success is told
// in the self-closing message window (information, 6 seconds); a failed copy in an error
// message box with the reason. The destination name never holds a partial copy.
ArchiveCopyResult exportArchive(UserPrompts& prompts, std::string_view archiveFolder, std::string_view name,
                                std::string_view destinationFolder);

// Copies the archive file `source` into the archive folder, under its own name, with the
// same question and messages as exportArchive. Importing a file of the archive folder onto
// itself keeps it intact.
ArchiveCopyResult importArchive(UserPrompts& prompts, std::string_view archiveFolder, std::string_view source);

} // namespace quorvel
