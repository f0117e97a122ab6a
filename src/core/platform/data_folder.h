#pragma once

#include <filesystem>

namespace quorvel {

// The folder that holds project.ini, account.ini, log.txt and StoreNumber.txt.
// Portable mode: a file named "portable" beside the executable makes that folder the data folder.
// Otherwise $XDG_CONFIG_HOME/quorvel-backup, or ~/.config/quorvel-backup.
std::filesystem::path resolveDataFolder(const std::filesystem::path& executableFolder);

// Creates the folder (and parents) with mode 0700 when missing.
void ensureDataFolder(const std::filesystem::path& folder);

// The folder of the running executable.
std::filesystem::path executableFolder();

// The user's home folder with a trailing "/": where a path of the form "c:\" points on this system.
std::string homeFolder();

// The data files, addressed as data folder + file name.
struct DataFiles {
    std::filesystem::path folder;

    std::filesystem::path projectIni() const { return folder / "project.ini"; }
    std::filesystem::path accountIni() const { return folder / "account.ini"; }
    std::filesystem::path logFile() const { return folder / "log.txt"; }
    std::filesystem::path storeNumber() const { return folder / "StoreNumber.txt"; }
    // When each project's last scheduled occurrence was served.
    std::filesystem::path scheduleIni() const { return folder / "schedule.ini"; }
    // The desktop program's window: its size, place and the widths the user gave its lists.
    std::filesystem::path windowIni() const { return folder / "window.ini"; }
    // The lock files of running backups and of the scheduler.
    std::filesystem::path locksFolder() const { return folder / "locks"; }
};

} // namespace quorvel
