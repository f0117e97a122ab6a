#pragma once

#include <filesystem>
#include <string>

namespace quorvel {

// The desktop's auto-start entry that starts the program when the user logs on:
// $XDG_CONFIG_HOME/autostart/quorvel-backup.desktop (default ~/.config/autostart/...). The file
// name is what identifies it: every version of the program writes and removes that same file.
std::filesystem::path autostartEntryPath();

// The entry's text for the given executable.
std::string autostartEntryText(const std::filesystem::path& executable);

// Writes the entry (creating its folder) or removes it; a missing entry is no error.
// Both throw IoError naming the file and the reason.
void writeAutostartEntry(const std::filesystem::path& entry, const std::filesystem::path& executable);
void removeAutostartEntry(const std::filesystem::path& entry);

} // namespace quorvel
