#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// Replaces `target` with `contents` so that a crash, a full disk or any error at any moment
// leaves either the complete old file or the complete new one: the data goes to a temporary
// file in the same folder, is flushed to the disk, and is then renamed over the target.
// A new file gets mode 0600 (our data files hold passwords); an existing file keeps its mode.
// Throws IoError naming the path on failure; the old file is then untouched.
void writeFileAtomically(const std::filesystem::path& target, std::string_view contents);

// The whole file, or nullopt when it does not exist or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Flushes a folder's entry table, so that a rename inside it survives a crash.
void syncFolder(const std::filesystem::path& folder);

} // namespace quorvel
