#include "core/platform/leftover_files.h"

#include "core/util/unique_fd.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

// How long a leftover must have been left alone before it is taken for abandoned.
constexpr std::time_t QuietSeconds = 60;

bool beginsWith(int fd, std::string_view magic) {
    std::string head(magic.size(), '\0');
    ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    return n == static_cast<ssize_t>(magic.size()) && head == magic;
}

// Removes one leftover while holding its lock, so that no writer can take it up meanwhile.
bool removeIfAbandoned(int folder, const std::string& name, std::string_view magic, std::time_t now) {
    UniqueFd file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if (st.st_mtime > now - QuietSeconds || (st.st_size > 0 && !magic.empty() && !beginsWith(file.get(), magic)))
        return false;
    if (takeWriterLock(file.get()) != WriterLock::Taken)
        return false;
    struct stat named {};
    if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_dev != st.st_dev ||
        named.st_ino != st.st_ino)
        return false; // renamed or replaced since it was opened
    return ::unlinkat(folder, name.c_str(), 0) == 0;
}

} // namespace

WriterLock takeWriterLock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? WriterLock::HeldByOther : WriterLock::Unsupported;
    }
    return WriterLock::Taken;
}

int removeLeftovers(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& isLeftoverName,
                    std::string_view magic) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (isLeftoverName(name))
            candidates.push_back(std::move(name));
    }
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    for (const std::string& name : candidates)
        removed += removeIfAbandoned(::dirfd(dir), name, magic, now) ? 1 : 0;
    ::closedir(dir);
    return removed;
}

} // namespace quorvel
