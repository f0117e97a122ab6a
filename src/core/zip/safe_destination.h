#pragma once

#include "core/zip/archive_file.h"

#include <string>
#include <string_view>
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

private:
    unsigned m_defaultFileMode = 0644;
    UniqueFd m_base;
    std::string m_baseName;
    std::vector<std::string> m_cachedPath;
    UniqueFd m_cached;
};

} // namespace quorvel
