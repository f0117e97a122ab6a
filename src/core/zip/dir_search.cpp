#include "core/zip/dir_search.h"

#include "core/zip/wildcard_match.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

struct TDirSearch::Level {
    DIR* dir = nullptr;
    std::string path;      // with a trailing "/"
    std::size_t maskIndex; // folder masks still to apply below this level
    ~Level() {
        if (dir)
            ::closedir(dir);
    }
};

TDirSearch::TDirSearch(const std::string& startFolder, bool recurse, const std::string& mask)
    : m_recurse(recurse), m_mask(mask) {
    // The fixed part ends at the last "/" before the first wildcard; the rest are folder masks.
    std::string start = startFolder;
    std::size_t wild = start.find_first_of("*?<>|");
    if (wild != std::string::npos) {
        std::size_t cut = start.rfind('/', wild);
        std::string rest = cut == std::string::npos ? start : start.substr(cut + 1);
        start = cut == std::string::npos ? std::string(".") : start.substr(0, cut == 0 ? 1 : cut);
        std::size_t from = 0;
        while (from <= rest.size()) {
            std::size_t end = std::min(rest.find('/', from), rest.size());
            if (end > from)
                m_folderMasks.push_back(rest.substr(from, end - from));
            from = end + 1;
        }
    }
    if (start.empty())
        start = ".";
    openLevel(start, 0);
}

TDirSearch::~TDirSearch() = default;

bool TDirSearch::alreadyVisited(std::uint64_t device, std::uint64_t inode) {
    auto key = std::make_pair(device, inode);
    if (std::find(m_visited.begin(), m_visited.end(), key) != m_visited.end())
        return true;
    m_visited.push_back(key);
    return false;
}

bool TDirSearch::openLevel(const std::string& folder, std::size_t maskIndex) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (m_levels.empty() ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || alreadyVisited(st.st_dev, st.st_ino)) {
        ::close(fd);
        return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    auto level = std::make_unique<Level>();
    level->dir = dir;
    level->path = folder.back() == '/' ? folder : folder + "/";
    level->maskIndex = maskIndex;
    m_levels.push_back(std::move(level));
    return true;
}

bool TDirSearch::next(Hit& hit) {
    while (!m_levels.empty()) {
        Level& level = *m_levels.back();
        errno = 0;
        struct dirent* item = ::readdir(level.dir);
        if (!item) {
            m_levels.pop_back();
            continue;
        }
        std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(level.dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        bool link = S_ISLNK(st.st_mode);
        if (link && ::fstatat(::dirfd(level.dir), item->d_name, &st, 0) != 0)
            continue; // a dangling link
        std::string path = level.path + name;
        if (S_ISDIR(st.st_mode)) {
            // Links to folders are never entered: they could lead in circles or out of the tree.
            if (link)
                continue;
            if (level.maskIndex < m_folderMasks.size()) {
                if (WildcardMatch(m_folderMasks[level.maskIndex], name))
                    openLevel(path, level.maskIndex + 1);
                continue;
            }
            if (!m_recurse || !openLevel(path, level.maskIndex))
                continue;
            hit = Hit{path + "/", 0, true};
            return true;
        }
        if (!S_ISREG(st.st_mode) || level.maskIndex < m_folderMasks.size())
            continue; // pipes, sockets and devices are never read
        std::string matchName = name.find('.') == std::string::npos ? name + "." : name;
        if (!WildcardMatch(m_mask, matchName))
            continue;
        hit = Hit{path, static_cast<std::uint64_t>(st.st_size), false};
        return true;
    }
    return false;
}

} // namespace quorvel
