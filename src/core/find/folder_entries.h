#pragma once

#include "core/find/file_attributes.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace quorvel {

// One entry of a folder as the finder sees it. A symbolic link shows what it points to; the
// link itself is remembered so that the search never descends through one (no loops).
struct FolderEntry {
    std::string name;
    bool isDirectory = false;
    bool isRegularFile = false;
    bool isSymlink = false;
    std::uint64_t size = 0; // 0 for everything but regular files
    TFileAttributes attributes;
    std::time_t modified = 0;
    std::time_t accessed = 0;
    // The birth time where the file system records it, otherwise the modification time
    // (a file cannot have been written before it existed, so that is the closest known bound).
    std::time_t created = 0;
};

// The entries of a folder in the order the file system lists them. Names starting with "."
// (".", ".." and hidden files) are left out. Entries that vanish while being read and links
// that point nowhere are passed over; a folder that cannot be read gives no entries.
std::vector<FolderEntry> readFolderEntries(const std::string& folder);

} // namespace quorvel
