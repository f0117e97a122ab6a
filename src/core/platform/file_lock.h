#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvel {

// An exclusive advisory lock (flock) on a file, taken without waiting and held for the object's
// lifetime. The kernel drops it when the holder's descriptor closes, so a process that crashed or
// was killed leaves no lock behind: its file may stay, but the next taker gets it. Two objects
// on the same file conflict even inside one process, so two threads of a program exclude each
// other as two programs do. The holder writes its process id into the file, so that a refused
// taker can say who holds it.
class FileLock {
public:
    // Creates the file (mode 0600, and its folder, mode 0700) when missing.
    explicit FileLock(std::filesystem::path path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // True when this object holds the lock.
    bool owned() const { return m_fd >= 0; }
    // Why the lock was not taken: another holder (busy) or a file that could not be opened.
    bool busy() const { return m_busy; }
    // The process id found in the file of a busy lock, when it could be read.
    std::optional<long> holder() const { return m_holder; }
    // The system's reason when the lock file could not be opened or locked.
    const std::string& error() const { return m_error; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_busy = false;
    std::optional<long> m_holder;
    std::string m_error;
};

} // namespace quorvel
