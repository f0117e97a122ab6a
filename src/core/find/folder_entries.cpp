#include "core/find/folder_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace quorvel {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::optional<struct statx> statEntry(int folderFd, const char* name, bool followLinks) {
    struct statx info {};
    const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
    const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (::statx(folderFd, name, flags, mask, &info) != 0)
        return std::nullopt;
    return info;
}

std::optional<FolderEntry> describe(int folderFd, const char* name) {
    auto info = statEntry(folderFd, name, false);
    if (!info)
        return std::nullopt;
    FolderEntry entry;
    entry.name = name;
    entry.isSymlink = S_ISLNK(info->stx_mode);
    if (entry.isSymlink && !(info = statEntry(folderFd, name, true)))
        return std::nullopt;
    const mode_t mode = info->stx_mode;
    entry.isDirectory = S_ISDIR(mode);
    entry.isRegularFile = S_ISREG(mode);
    entry.size = entry.isRegularFile ? info->stx_size : 0;
    entry.attributes = attributesOf(entry.name, mode);
    entry.modified = info->stx_mtime.tv_sec;
    entry.accessed = info->stx_atime.tv_sec;
    entry.created = (info->stx_mask & STATX_BTIME) ? info->stx_btime.tv_sec : entry.modified;
    return entry;
}

} // namespace

std::vector<FolderEntry> readFolderEntries(const std::string& folder) {
    std::vector<FolderEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return entries;
    const int folderFd = ::dirfd(dir.get());
    while (const dirent* item = ::readdir(dir.get())) {
        if (item->d_name[0] == '.')
            continue;
        if (auto entry = describe(folderFd, item->d_name))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

} // namespace quorvel
