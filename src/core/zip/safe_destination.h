#pragma once

#include "core/zip/archive_file.h"

#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace quorvel {

// Creates folders and files below one base folder and never anywhere else: every folder is
// created and entered one component at a time without following symbolic links, so neither a
// crafted name nor a link already under the base can lead outside it.
class SafeDestination {
public:
    // The base folder is created with its parents when missing (it is the user's own choice).
    explicit SafeDestination(const std::string& base);

    // Splits a stored folder path into components; false when it climbs out ("..") or holds a NUL.
    // Empty and "." components are dropped, so absolute paths land below the base.
    static bool splitRelative(std::string_view path, std::vector<std::string>& components);
    // True for a usable file name (not empty, ".", "..", and without "/" or NUL).
    static bool validName(std::string_view name);

    // The folder below the base, created when missing; -1 with `error` set when it cannot be used.
    // The descriptor stays owned by this object (the last folder is cached).
    int openFolder(const std::vector<std::string>& components, std::string& error);

    // Permission bits of a new file when the archive gives none (0666 less the umask).
    unsigned defaultFileMode() const { return m_defaultFileMode; }

    // The files this extraction wrote, by identity, so that two entries that come to one file
    // (equal names restored without their folders) are noticed whatever the names' letter case
    // means to the file system.
    void noteWritten(const struct stat& file) { m_written.emplace(file.st_dev, file.st_ino); }
    bool wroteEarlier(const struct stat& file) const { return m_written.count({file.st_dev, file.st_ino}) != 0; }

private:
    unsigned m_defaultFileMode = 0644;
    UniqueFd m_base;
    std::string m_baseName;
    std::vector<std::string> m_cachedPath;
    UniqueFd m_cached;
    std::set<std::pair<dev_t, ino_t>> m_written;
};

} // namespace quorvel
