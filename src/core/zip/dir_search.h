#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {

// Walks a folder and yields the files whose names match a mask, optionally below it too.
// The start folder may hold wildcard components ("/home/*/Documents"): each is a folder mask for
// one level. Subfolders are yielded (path + "/") before their contents. The walk never enters a
// symbolic link to a folder and never enters the same folder twice (device and inode are
// remembered), so links and bind mounts cannot make it loop; its depth is not limited.
class TDirSearch {
public:
    struct Hit {
        std::string path;       // folder hits end with "/"
        std::uint64_t size = 0; // 0 for folders
        bool isFolder = false;
    };

    TDirSearch(const std::string& startFolder, bool recurse, const std::string& mask);
    ~TDirSearch();
    TDirSearch(const TDirSearch&) = delete;
    TDirSearch& operator=(const TDirSearch&) = delete;

    // The next hit, or false when the walk has ended.
    bool next(Hit& hit);

private:
    struct Level;
    bool openLevel(const std::string& folder, size_t maskIndex);
    bool alreadyVisited(std::uint64_t device, std::uint64_t inode);

    bool m_recurse;
    std::string m_mask;
    std::vector<std::string> m_folderMasks;
    std::vector<std::unique_ptr<Level>> m_levels;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_visited;
};

} // namespace quorvel
