#pragma once

#include "core/util/user_prompts.h"

#include <optional>
#include <string>

namespace quorvel {

// The password the files added to an existing archive get. Added files follow the archive: they
// are encrypted when it is, with its own password, and stay plain in a plain archive unless the
// user says otherwise, so that an archive never ends up with entries under two passwords, or
// with a few encrypted entries nobody asked for.
//
// - An archive holding encrypted files: the password typed on the Restore page (`typed`, used as
//   typed when it is not blank), else the password of the project on the Backup page
//   (`projectPassword`, empty when it has none). It is tried on the smallest encrypted entry
//   first; a wrong one, or none at all, is refused with a message.
// - A plain archive: without a typed password the files are added plain; with one, the user is
//   asked whether to encrypt them with it. The project's password is not used.
//
// Returns the password to use (empty: no encryption), or nullopt when nothing may be added
// (the user has been told why). The archive's directory is read here: an archive that cannot be
// read raises the reader's error.
std::optional<std::string> passwordForAddedFiles(UserPrompts& prompts, const std::string& archive,
                                                 const std::string& typed, const std::string& projectPassword);

} // namespace quorvel
